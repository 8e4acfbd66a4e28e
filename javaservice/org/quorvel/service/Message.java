package org.quorvel.service;

import java.io.ByteArrayOutputStream;
import java.io.DataInputStream;
import java.io.DataOutputStream;
import java.io.EOFException;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;

/**
 * One message between the workbench and this service. On the wire a message is a frame: a
 * 4-byte big-endian length, then that many bytes holding the request id (4 bytes), the kind
 * (a string field without its tag) and any number of typed fields. A field is a tag byte
 * followed by its value: 'i' and a 4-byte big-endian integer, or 's' and a string (a 4-byte
 * length and that many bytes, UTF-8 when it is text). Nothing is ever escaped.
 */
final class Message {
    static final int MAX_FRAME = 64 << 20;

    final int id;
    final String kind;
    private final List<Object> fields = new ArrayList<>();

    Message(int id, String kind) {
        this.id = id;
        this.kind = kind;
    }

    Message add(int value) {
        fields.add(value);
        return this;
    }

    Message add(String value) {
        fields.add(value.getBytes(StandardCharsets.UTF_8));
        return this;
    }

    Message add(byte[] value) {
        fields.add(value);
        return this;
    }

    int size() {
        return fields.size();
    }

    int integer(int index) throws BrokenFrame {
        Object field = index < fields.size() ? fields.get(index) : null;
        if (!(field instanceof Integer))
            throw new BrokenFrame("field " + index + " of " + kind + " is not a number");
        return (Integer) field;
    }

    byte[] bytes(int index) throws BrokenFrame {
        Object field = index < fields.size() ? fields.get(index) : null;
        if (!(field instanceof byte[]))
            throw new BrokenFrame("field " + index + " of " + kind + " is not a string");
        return (byte[]) field;
    }

    String text(int index) throws BrokenFrame {
        return new String(bytes(index), StandardCharsets.UTF_8);
    }

    /** A message that cannot be read, or a request whose fields are not what its kind needs. */
    static final class BrokenFrame extends IOException {
        private static final long serialVersionUID = 1L;

        BrokenFrame(String why) {
            super(why);
        }
    }

    /** The next message, or null when the input ended between two frames. */
    static Message read(DataInputStream in) throws IOException {
        int length;
        try {
            length = in.readInt();
        } catch (EOFException end) {
            return null;
        }
        if (length < 4 + 4 || length > MAX_FRAME)
            throw new BrokenFrame("frame length " + length);
        byte[] payload = new byte[length];
        try {
            in.readFully(payload);
        } catch (EOFException end) {
            throw new BrokenFrame("input ended inside a frame");
        }
        Cursor cursor = new Cursor(payload);
        Message message = new Message(cursor.integer(), new String(cursor.string(), StandardCharsets.UTF_8));
        while (!cursor.atEnd()) {
            byte tag = cursor.tag();
            if (tag == 'i')
                message.fields.add(cursor.integer());
            else if (tag == 's')
                message.fields.add(cursor.string());
            else
                throw new BrokenFrame("unknown field tag " + tag);
        }
        return message;
    }

    byte[] encode() {
        try {
            ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            DataOutputStream out = new DataOutputStream(bytes);
            out.writeInt(0);
            out.writeInt(id);
            writeString(out, kind.getBytes(StandardCharsets.UTF_8));
            for (Object field : fields) {
                if (field instanceof Integer) {
                    out.writeByte('i');
                    out.writeInt((Integer) field);
                } else {
                    out.writeByte('s');
                    writeString(out, (byte[]) field);
                }
            }
            byte[] frame = bytes.toByteArray();
            int length = frame.length - 4;
            frame[0] = (byte) (length >>> 24);
            frame[1] = (byte) (length >>> 16);
            frame[2] = (byte) (length >>> 8);
            frame[3] = (byte) length;
            return frame;
        } catch (IOException never) {
            throw new IllegalStateException(never);
        }
    }

    private static void writeString(DataOutputStream out, byte[] value) throws IOException {
        out.writeInt(value.length);
        out.write(value);
    }

    private static final class Cursor {
        private final byte[] data;
        private int at;

        Cursor(byte[] data) {
            this.data = data;
        }

        boolean atEnd() {
            return at == data.length;
        }

        byte tag() throws BrokenFrame {
            need(1);
            return data[at++];
        }

        int integer() throws BrokenFrame {
            need(4);
            int value = ((data[at] & 0xff) << 24) | ((data[at + 1] & 0xff) << 16)
                    | ((data[at + 2] & 0xff) << 8) | (data[at + 3] & 0xff);
            at += 4;
            return value;
        }

        byte[] string() throws BrokenFrame {
            int length = integer();
            if (length < 0)
                throw new BrokenFrame("string length " + length);
            need(length);
            byte[] value = java.util.Arrays.copyOfRange(data, at, at + length);
            at += length;
            return value;
        }

        private void need(int count) throws BrokenFrame {
            if (data.length - at < count)
                throw new BrokenFrame("field runs past the end of its frame");
        }
    }
}
