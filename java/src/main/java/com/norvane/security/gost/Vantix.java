package com.norvane.security.gost;

/**
 * Native entry points of the tellarvantix library: GOST 28147-89, GOST R 34.11-94,
 * GOST R 34.10-2001, a random generator, masked keys and password-sealed containers.
 *
 * <p>State lives in native blocks. An allocator returns a block's address as a {@code long}
 * handle; the caller initialises it, uses it, clears it with its family's clear method and
 * finally releases it with {@link #mem_free(long)}. Cryptographic methods return a result
 * code, listed with its meaning in {@link ResultCode}: 0 for success, 5 to 9 for a signature
 * that does not verify, 15 for a missing or invalid argument.
 *
 * <p>Argument rules, the same for every method:
 * <ul>
 * <li>A {@code null} array where an array is required: methods that return a result code
 *     return 15; the others throw {@link NullPointerException}. Arrays documented as
 *     optional may be {@code null}.</li>
 * <li>A region (offset and length) or a fixed-size array that does not fit inside its Java
 *     array: the method throws {@link ArrayIndexOutOfBoundsException} and changes nothing
 *     (methods that return a code also return 15). A negative length counts as 0.</li>
 * <li>Handles are checked against the blocks the library allocated: a handle that is not a
 *     live block of the method's kind and size (0, a made-up value, a freed block, an
 *     address inside a block, a block of another family) is answered like a missing
 *     argument: 15, or {@link NullPointerException} for the methods without a result code.
 *     A block from {@link #mem_alloc} may serve as any kind when it is large enough.
 *     {@link #mem_free} ignores anything but a live block. {@link #mem_read} and
 *     {@link #mem_write} stay inside the block ({@link ArrayIndexOutOfBoundsException}
 *     otherwise).</li>
 * </ul>
 *
 * <p>Threads. Any thread may call any method. Each call pins the blocks it works on: a
 * block freed while another thread is inside a call on it is released when that call ends,
 * and a call on a context that another thread is using is refused (15) instead of
 * running beside it. What a caller must not do, because the library cannot tell it from a
 * legitimate use, is: use one context, or one random generator, from two threads without
 * its own locking (the second call may be refused, and a generator shared without a lock
 * gives no guaranteed output); free a table or generator that an initialised context still
 * refers to (the context then answers 17 until it is cleared); rewrite a block with
 * {@link #mem_write} while it is in use; or rely on blocks that were never freed being
 * wiped: clear and free every block. The idiomatic classes of this package do all of this
 * for their callers.
 *
 * <p>Loading: when the system property {@code vantix.library.path} names a directory, the
 * companion library {@code Qel_InitBioRnd64} and then the module {@code tellarvantix} are
 * loaded from there. Otherwise, when the jar carries the native libraries for this
 * platform, they are extracted once into a private per-user cache directory
 * ({@code $XDG_CACHE_HOME/vantix} or {@code ~/.cache/vantix} on Linux,
 * {@code %LOCALAPPDATA%\vantix} on Windows; one directory per version, platform and build),
 * checked against the SHA-256 sums the jar carries before every load, and loaded from there
 * (companion first); failing that, both are loaded with {@link System#loadLibrary}.
 */
public final class Vantix {
    static {
        NativeLoader.load();
    }

    // ---- sizes of the native blocks and arrays (each defined here once for the Java side) ----

    /** Bytes of a random-generator state ({@link #vantix_RND_State()}). */
    public static final int RND_STATE_BYTES = 76;
    /** Bytes of a COM_State ({@link #vantix_COM_State()}); its substitution table is the first 128. */
    public static final int COM_STATE_BYTES = 4228;
    /** Bytes of a substitution table as the exports take it (rows K8 first). */
    public static final int SBOX_BYTES = 128;
    /** Bytes of a simple-replacement context. */
    public static final int BLOCK_CONTEXT_BYTES = 104;
    /** Bytes of a gamma, gamma-with-feedback or MAC context block. */
    public static final int STREAM_CONTEXT_BYTES = 120;
    /** Bytes of a GOST R 34.11-94 hash context. */
    public static final int HASH_CONTEXT_BYTES = 128;
    /** Bytes of a curve point record ({@link #vantix_LPoint()}): affine X then Y (32 bytes each, big-endian) first. */
    public static final int LPOINT_BYTES = 100;
    /** Bytes of a signature context. */
    public static final int SIGN_CONTEXT_BYTES = 760;
    /**
     * Bytes a simple-replacement context enciphers and deciphers in all between two inits (one key's worth);
     * the block past them is refused with {@link ResultCode#ECB_LIMIT}.
     */
    public static final int ECB_LIMIT_BYTES = 32;
    /** Bytes of a masked key: key XOR mask (32), then the mask (32). */
    public static final int MASKED_KEY_BYTES = 64;

    private Vantix() {
    }

    // ---- native memory ----

    /**
     * Allocates {@code size} zero-filled bytes; throws OutOfMemoryError (and returns 0) on failure or a negative size.
     */
    public static native long mem_alloc(int size);

    /**
     * Releases a block; anything but a live block (0 included) is ignored, and a block in use
     * by another thread is released when that use ends. Does not wipe.
     */
    public static native void mem_free(long handle);

    /** Copies {@code length} bytes from native {@code handle + offset} into {@code dst} at {@code dstOffset}. */
    public static native void mem_read(long handle, int offset, byte[] dst, int dstOffset, int length);

    /** Copies {@code length} bytes of {@code src} from {@code srcOffset} into native {@code handle + offset}. */
    public static native void mem_write(long handle, int offset, byte[] src, int srcOffset, int length);

    // ---- random generator, masking ----

    /** Allocates an unseeded 76-byte random-generator state. */
    public static native long vantix_RND_State();

    /** Allocates a copy of a random-generator state, which then evolves independently. */
    public static native long clone_vantix_RND_State(long state);

    /** Loads a 64-byte seed (at least 64 bytes); a {@code null} seed marks the state unseeded. */
    public static native void vantix_ForceRandom_(long state, byte[] seed);

    /**
     * Fills the whole array with random bytes; throws IllegalStateException, with the array unchanged, when the state
     * is not seeded (an unseeded state would hand out bytes that are not random).
     */
    public static native void vantix_Random_Fill(long state, byte[] buffer);

    /**
     * Lets the companion library write 64 bytes of seed material (array of at least 64 bytes); returns its result, 0 on
     * success.
     */
    public static native int vantix_InitBioRnd(byte[] buffer);

    /**
     * Masks the key in bytes 0-31 of a 64-byte array: afterwards bytes 0-31 hold key XOR mask and bytes 32-63 the mask.
     * Returns 15, with the array unchanged, when the generator is not seeded: a mask that is not fresh would leave
     * the key in the clear while reporting success.
     */
    public static native int vantix_Mask_SecretKey_(long generator, byte[] keyAndMask);

    // ---- cipher parameters ----

    /** Allocates a 4228-byte COM_State; write the 128-byte substitution table at offset 0 with mem_write. */
    public static native long vantix_COM_State();

    /** Zeroes the expanded part (bytes 128-4223) of a COM_State. */
    public static native int vantix_COM_State_params_clear(long comState);

    // ---- simple replacement ----

    /** Allocates a 104-byte simple-replacement context. */
    public static native long vantix_G28147_1989_block();

    /** Initialises a simple-replacement context with a 64-byte masked key. */
    public static native int vantix_G28147_1989_block_init(long ctx, long comState, long rndState, byte[] key);

    /** Enciphers {@code blocks} 8-byte blocks (at most {@link #ECB_LIMIT_BYTES} bytes per initialisation). */
    public static native int vantix_G28147_1989_block_encrypt(long ctx, byte[] in, int inOffset,
            byte[] out, int outOffset, int blocks);

    /** Deciphers {@code blocks} 8-byte blocks (sharing {@link #ECB_LIMIT_BYTES} with encryption). */
    public static native int vantix_G28147_1989_block_decrypt(long ctx, byte[] in, int inOffset,
            byte[] out, int outOffset, int blocks);

    /** Wipes a simple-replacement context. */
    public static native int vantix_G28147_1989_block_clear(long ctx);

    // ---- gamma ----

    /** Allocates a 120-byte gamma context. */
    public static native long vantix_G28147_1989_gamma();

    /** Initialises a gamma context with a 64-byte masked key and an optional 8-byte vector ({@code null} = zeros). */
    public static native int vantix_G28147_1989_gamma_init(long ctx, long comState, long rndState,
            byte[] key, byte[] iv);

    /** Encrypts or decrypts {@code length} bytes in gamma mode. */
    public static native int vantix_G28147_1989_gamma_crypt(long ctx, byte[] in, int inOffset,
            byte[] out, int outOffset, int length);

    /** Wipes a gamma context. */
    public static native int vantix_G28147_1989_gamma_clear(long ctx);

    // ---- gamma with feedback ----

    /** Allocates a 120-byte gamma-with-feedback context. */
    public static native long vantix_G28147_1989_gamma_ofb();

    /** Initialises a gamma-with-feedback context with a 64-byte masked key and an optional 8-byte vector. */
    public static native int vantix_G28147_1989_gamma_ofb_init(long ctx, long comState, long rndState,
            byte[] key, byte[] iv);

    /** Encrypts {@code length} bytes in gamma-with-feedback mode. */
    public static native int vantix_G28147_1989_gamma_ofb_encrypt(long ctx, byte[] in, int inOffset,
            byte[] out, int outOffset, int length);

    /** Decrypts {@code length} bytes in gamma-with-feedback mode. */
    public static native int vantix_G28147_1989_gamma_ofb_decrypt(long ctx, byte[] in, int inOffset,
            byte[] out, int outOffset, int length);

    /** Wipes a gamma-with-feedback context. */
    public static native int vantix_G28147_1989_gamma_ofb_clear(long ctx);

    // ---- MAC ----

    /** Allocates a 120-byte MAC context. */
    public static native long vantix_G28147_1989_mac();

    /** Initialises a MAC context with a 64-byte masked key and an optional 8-byte vector. */
    public static native int vantix_G28147_1989_mac_init(long ctx, long comState, long rndState, byte[] key, byte[] iv);

    /** Feeds {@code length} bytes of the message. */
    public static native int vantix_G28147_1989_mac_update(long ctx, byte[] data, int offset, int length);

    /** Writes the 8-byte MAC into {@code mac} (at least 8 bytes) and ends the message. */
    public static native int vantix_G28147_1989_mac_final(long ctx, byte[] mac);

    /** Wipes a MAC context. */
    public static native int vantix_G28147_1989_mac_clear(long ctx);

    // ---- raw cipher ----

    /** Expands a 128-byte substitution table into a 4096-byte table of little-endian words. */
    public static native void vantix__InitGost(byte[] table, byte[] expanded);

    /** Enciphers one 8-byte block (little-endian words) under a 64-byte masked key block. */
    public static native void vantix__GOSTE(byte[] expanded, byte[] key, byte[] in, byte[] out);

    /** Deciphers one 8-byte block (little-endian words) under a 64-byte masked key block. */
    public static native void vantix__GOSTD(byte[] expanded, byte[] key, byte[] in, byte[] out);

    /** One MAC link: state = 16-round transform of (state XOR data), 8-byte state and data. */
    public static native void vantix__GOSTA(byte[] expanded, byte[] key, byte[] state, byte[] data);

    // ---- hash ----

    /** Allocates a 128-byte GOST R 34.11-94 hash context. */
    public static native long vantix_R34_11_1994();

    /** Initialises a hash context with the table of {@code comState} and an optional 32-byte start value. */
    public static native int vantix_GOST_R34_11_1994_init(long ctx, long comState, long rndState, byte[] start);

    /** Feeds {@code length} bytes to the hash. */
    public static native int vantix_GOST_R34_11_1994_update(long ctx, byte[] data, int offset, int length);

    /** Writes the 32-byte hash value of everything fed so far (the context stays usable). */
    public static native int vantix_GOST_R34_11_1994_final(long ctx, byte[] out);

    /** Wipes a hash context. */
    public static native int vantix_GOST_R34_11_1994_clear(long ctx);

    // ---- GOST R 34.10-2001 ----

    /** Allocates a 100-byte curve point record. */
    public static native long vantix_LPoint();

    /** Allocates a 760-byte signature context. */
    public static native long vantix_LR34_10_2001();

    /**
     * Loads domain parameters (32-byte big-endian p, q, a, b and a base point); any missing argument loads the built-in
     * test set. Parameters that cannot sign are refused with 15, the code of an invalid argument, and the context
     * stays unloaded: p or q even, below 2^254 (GOST R 34.10-2001 requires q &gt; 2^254) or not prime, or a base
     * point that is not on the curve or not of order q. 16 is only for a q length other than 32 bytes.
     */
    public static native int vantix_LR34_10_2001_set_parms(long ctx, long rnd, byte[] p, byte[] q,
            byte[] a, byte[] b, long point);

    /** Reads back the loaded parameters; each array (32 bytes) and the point are optional. */
    public static native int vantix_LR34_10_2001_get_parms(long ctx, byte[] p, byte[] q,
            byte[] a, byte[] b, long point);

    /** Wipes a signature context: parameters and keys. */
    public static native int vantix_LR34_10_2001_clear(long ctx);

    /** Generates a secret key from the context's generator. */
    public static native int vantix_LR34_10_2001_gen_secret_key(long ctx);

    /** Computes the public key from the secret key. */
    public static native int vantix_LR34_10_2001_gen_public_key(long ctx);

    /** Loads a 64-byte masked secret key (key XOR mask, then mask; big-endian). */
    public static native int vantix_LR34_10_2001_set_secret_key(long ctx, byte[] key);

    /** Writes the secret key as a 64-byte masked key under a fresh mask. */
    public static native int vantix_LR34_10_2001_get_secret_key(long ctx, byte[] key);

    /** Loads a public key from a point record (affine big-endian X and Y). */
    public static native int vantix_LR34_10_2001_set_public_key(long ctx, long point);

    /** Writes the public key into a point record (or only reports presence when {@code point} is 0). */
    public static native int vantix_LR34_10_2001_get_public_key(long ctx, long point);

    /** Wipes the secret key. */
    public static native int vantix_LR34_10_2001_clear_secret_key(long ctx);

    /** Wipes the public key. */
    public static native int vantix_LR34_10_2001_clear_public_key(long ctx);

    /**
     * Signs a 32-byte digest into a 64-byte signature (r then s). A nonce drawn as 0 or not below q is drawn again
     * rather than reduced modulo q, so that every nonce in [1, q) is equally likely.
     */
    public static native int vantix_LR34_10_2001_sign(long ctx, byte[] digest, byte[] signature);

    /** Verifies a 64-byte signature over a 32-byte digest: 0 valid, 5 to 9 invalid. */
    public static native int vantix_LR34_10_2001_verify(long ctx, byte[] digest, byte[] signature);

    // ---- containers ----

    /** Seals a generator's state under a password (at least 10 bytes) into an 84-byte container. */
    public static native int vantix_MakeRndContainer(long rnd, byte[] password, byte[] container);

    /** Opens an 84-byte random-seed container into a generator, which is then seeded. */
    public static native int vantix_ExtractRndContainer(byte[] container, byte[] password, long rnd);

    /** Seals a 64-byte masked key under a password (at least 10 bytes) into a 48-byte container. */
    public static native int vantix_MakeKeyContainer(long rnd, byte[] key, byte[] password, byte[] container);

    /** Opens a 48-byte key container into a 64-byte masked key. */
    public static native int vantix_ExtractKeyContainer(long rnd, byte[] container, byte[] password, byte[] key);

    // ---- window utilities ----

    /** Finds a top-level window by its title (single-byte characters); 0 when none. */
    public static native int utils_FindWindowByTitle(byte[] title);

    /** Centres a window on a rectangle, keeping its size; non-zero on success. */
    public static native int utils_CenterWindow(int window, int left, int top, int width, int height);

    /** Sets a window's title (single-byte characters, read up to a zero byte or the array's end). */
    public static native void utils_SetWindowTitle(int window, byte[] title);

    /** Asks a window to close, as its close button does; returns the message result. */
    public static native int utils_CloseWindow(int window);
}
