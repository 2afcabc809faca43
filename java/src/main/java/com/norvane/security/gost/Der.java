package com.norvane.security.gost;

import java.io.ByteArrayOutputStream;

/**
 * The little DER the key encodings need: sequences, integers, octet and bit strings and
 * object identifiers. The reader checks every length against what is left, so a malformed
 * or hostile encoding is refused with IllegalArgumentException, never read past.
 */
final class Der {
    static final int INTEGER = 0x02;
    static final int BIT_STRING = 0x03;
    static final int OCTET_STRING = 0x04;
    static final int OID = 0x06;
    static final int SEQUENCE = 0x30;

    private Der() {
    }

    /** One TLV: tag, header and content bounds within {@code buf}. */
    static final class Tlv {
        final byte[] buf;
        final int tag;
        final int start;  // first content byte
        final int end;    // one past the last content byte

        Tlv(byte[] buf, int tag, int start, int end) {
            this.buf = buf;
            this.tag = tag;
            this.start = start;
            this.end = end;
        }

        int length() {
            return end - start;
        }

        byte[] content() {
            return java.util.Arrays.copyOfRange(buf, start, end);
        }

        /** A reader over this TLV's content. */
        Reader contents() {
            return new Reader(buf, start, end);
        }

        Tlv expect(int expected, String what) {
            if (tag != expected) {
                throw new IllegalArgumentException(what + ": unexpected ASN.1 tag 0x" + Integer.toHexString(tag));
            }
            return this;
        }
    }

    /** Reads consecutive TLVs from {@code buf[pos, end)}. */
    static final class Reader {
        private final byte[] buf;
        private int pos;
        private final int end;

        Reader(byte[] buf, int pos, int end) {
            this.buf = buf;
            this.pos = pos;
            this.end = end;
        }

        Reader(byte[] buf) {
            this(buf, 0, buf.length);
        }

        boolean hasMore() {
            return pos < end;
        }

        Tlv next(String what) {
            if (end - pos < 2) {
                throw new IllegalArgumentException(what + ": truncated");
            }
            int tag = buf[pos] & 0xff;
            int len = buf[pos + 1] & 0xff;
            int p = pos + 2;
            if (len >= 0x80) {
                int n = len & 0x7f;
                if (n == 0 || n > 3 || end - p < n) {
                    throw new IllegalArgumentException(what + ": bad length");
                }
                len = 0;
                for (int i = 0; i < n; i++) {
                    len = (len << 8) | (buf[p++] & 0xff);
                }
            }
            if (len > end - p) {
                throw new IllegalArgumentException(what + ": truncated");
            }
            pos = p + len;
            return new Tlv(buf, tag, p, p + len);
        }

        Tlv next(int tag, String what) {
            return next(what).expect(tag, what);
        }

        void finish(String what) {
            if (pos != end) {
                throw new IllegalArgumentException(what + ": trailing bytes");
            }
        }
    }

    /** A reader over the contents of {@code der}, which must be one TLV with this tag and nothing after it. */
    static Reader only(byte[] der, int tag, String what) {
        Reader top = new Reader(der);
        Reader inner = top.next(tag, what).contents();
        top.finish(what);
        return inner;
    }

    static String readOid(Tlv t, String what) {
        t.expect(OID, what);
        if (t.length() == 0) {
            throw new IllegalArgumentException(what + ": empty object identifier");
        }
        StringBuilder sb = new StringBuilder();
        long v = 0;
        boolean first = true;
        for (int i = t.start; i < t.end; i++) {
            int b = t.buf[i] & 0xff;
            if (v > (Long.MAX_VALUE >> 8)) {
                throw new IllegalArgumentException(what + ": object identifier too long");
            }
            v = (v << 7) | (b & 0x7f);
            if ((b & 0x80) == 0) {
                if (first) {
                    long a = Math.min(v / 40, 2);
                    sb.append(a).append('.').append(v - 40 * a);
                    first = false;
                } else {
                    sb.append('.').append(v);
                }
                v = 0;
            }
        }
        if ((t.buf[t.end - 1] & 0x80) != 0) {
            throw new IllegalArgumentException(what + ": truncated object identifier");
        }
        return sb.toString();
    }

    // ---- writing ----

    static byte[] tlv(int tag, byte[]... parts) {
        int len = 0;
        for (byte[] p : parts) {
            len += p.length;
        }
        ByteArrayOutputStream out = new ByteArrayOutputStream(len + 4);
        out.write(tag);
        if (len < 0x80) {
            out.write(len);
        } else if (len < 0x100) {
            out.write(0x81);
            out.write(len);
        } else {
            out.write(0x82);
            out.write(len >> 8);
            out.write(len);
        }
        for (byte[] p : parts) {
            out.write(p, 0, p.length);
        }
        return out.toByteArray();
    }

    static byte[] sequence(byte[]... parts) {
        return tlv(SEQUENCE, parts);
    }

    static byte[] oid(String dotted) {
        String[] arcs = dotted.split("\\.");
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        base128(out, Long.parseLong(arcs[0]) * 40 + Long.parseLong(arcs[1]));
        for (int i = 2; i < arcs.length; i++) {
            base128(out, Long.parseLong(arcs[i]));
        }
        return tlv(OID, out.toByteArray());
    }

    private static void base128(ByteArrayOutputStream out, long v) {
        int shift = 0;
        while ((v >> (shift + 7)) != 0) {
            shift += 7;
        }
        for (; shift > 0; shift -= 7) {
            out.write((int) ((v >> shift) & 0x7f) | 0x80);
        }
        out.write((int) (v & 0x7f));
    }
}
