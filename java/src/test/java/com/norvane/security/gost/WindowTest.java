package com.norvane.security.gost;

import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertNotEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.awt.Point;
import java.awt.event.WindowAdapter;
import java.awt.event.WindowEvent;
import java.nio.charset.StandardCharsets;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.function.BooleanSupplier;
import javax.swing.JFrame;
import javax.swing.SwingUtilities;
import org.junit.jupiter.api.Test;

/**
 * The window utilities against a real Swing frame when a display is available (the test
 * set-up runs this class under Xvfb), and their soft failure without one.
 */
class WindowTest {

    private static byte[] title(String s) {
        byte[] b = s.getBytes(StandardCharsets.ISO_8859_1);
        byte[] z = new byte[b.length + 1];
        System.arraycopy(b, 0, z, 0, b.length);
        return z;
    }

    private static boolean waitFor(BooleanSupplier condition) throws InterruptedException {
        for (int i = 0; i < 100; i++) {
            if (condition.getAsBoolean()) {
                return true;
            }
            Thread.sleep(50);
        }
        return condition.getAsBoolean();
    }

    /**
     * Several threads call the window utilities at once with handles that make Xlib report
     * errors, beside a live Swing frame (whose toolkit has its own error handler). Xlib's
     * error handler is process-wide; overlapping calls must neither end the JVM (Xlib's
     * default handler exits) nor leave the toolkit without its handler.
     */
    @Test
    void concurrentCallsWithBadHandlesLeaveTheJvmAndTheToolkitAlone() throws Exception {
        if (System.getenv("DISPLAY") == null) {
            return;  // covered by the Xvfb run of this class
        }
        JFrame[] frame = new JFrame[1];
        SwingUtilities.invokeAndWait(() -> {
            frame[0] = new JFrame("vantix concurrent frame 7b2d");
            frame[0].setSize(200, 100);
            frame[0].setVisible(true);
        });
        Thread[] threads = new Thread[6];
        for (int t = 0; t < threads.length; t++) {
            final int seed = t;
            threads[t] = new Thread(() -> {
                for (int i = 0; i < 40; i++) {
                    int bogus = 0x7000000 + seed * 1000 + i;
                    Vantix.utils_CloseWindow(bogus);
                    Vantix.utils_SetWindowTitle(bogus, title("x"));
                    Vantix.utils_CenterWindow(bogus, 0, 0, 10, 10);
                    Vantix.utils_FindWindowByTitle(title("no such window " + seed));
                }
            });
            threads[t].start();
        }
        for (Thread t : threads) {
            t.join();
        }
        assertTrue(waitFor(() -> Vantix.utils_FindWindowByTitle(title("vantix concurrent frame 7b2d")) != 0));
        SwingUtilities.invokeAndWait(() -> frame[0].dispose());
    }

    @Test
    void unknownTitleAndNoDisplayFailSoftly() {
        assertEquals(0, Vantix.utils_FindWindowByTitle(title("no window has this title 5e1c")));
        if (System.getenv("DISPLAY") == null) {
            assertEquals(0, Vantix.utils_CenterWindow(12345, 0, 0, 100, 100));
            Vantix.utils_SetWindowTitle(12345, title("x"));
            Vantix.utils_CloseWindow(12345);
        }
    }

    @Test
    void findCentreRetitleAndCloseASwingFrame() throws Exception {
        if (System.getenv("DISPLAY") == null) {
            return;  // covered by the Xvfb run of this class
        }
        String name = "vantix window test " + System.nanoTime();
        CountDownLatch closing = new CountDownLatch(1);
        JFrame[] holder = new JFrame[1];
        SwingUtilities.invokeAndWait(() -> {
            JFrame f = new JFrame(name);
            f.setDefaultCloseOperation(JFrame.DO_NOTHING_ON_CLOSE);
            f.setSize(300, 200);
            f.setLocation(10, 10);
            f.addWindowListener(new WindowAdapter() {
                @Override
                public void windowClosing(WindowEvent e) {
                    closing.countDown();
                }
            });
            f.setVisible(true);
            holder[0] = f;
        });
        JFrame frame = holder[0];
        try {
            int[] handle = new int[1];
            assertTrue(waitFor(() -> (handle[0] = Vantix.utils_FindWindowByTitle(title(name))) != 0), "frame found");
            int h = handle[0];
            // Let the toolkit finish mapping and placing the frame first, or its own placement
            // may land after the move.
            assertTrue(waitFor(() -> frame.isShowing() && frame.getLocationOnScreen().equals(new Point(10, 10))));
            Point expected = new Point(100 + (800 - frame.getWidth()) / 2, 50 + (600 - frame.getHeight()) / 2);
            boolean centred = false;
            for (int attempt = 0; attempt < 3 && !centred; attempt++) {
                assertNotEquals(0, Vantix.utils_CenterWindow(h, 100, 50, 800, 600));
                centred = waitFor(() -> frame.getLocationOnScreen().equals(expected));
            }
            assertTrue(centred, "frame at " + expected + ", was " + frame.getLocationOnScreen());

            String renamed = "vantix renamed " + System.nanoTime();
            Vantix.utils_SetWindowTitle(h, title(renamed));
            assertEquals(h, Vantix.utils_FindWindowByTitle(title(renamed)));
            assertEquals(0, Vantix.utils_FindWindowByTitle(title(name)));

            Vantix.utils_CloseWindow(h);
            assertTrue(closing.await(5, TimeUnit.SECONDS), "window listener saw the close request");
        } finally {
            SwingUtilities.invokeAndWait(frame::dispose);
        }
    }
}
