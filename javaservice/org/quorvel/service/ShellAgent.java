package org.quorvel.service;

import java.io.FilterInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.io.PrintStream;
import java.lang.reflect.Method;
import java.net.Socket;
import java.nio.charset.StandardCharsets;
import java.util.HashMap;
import java.util.Map;
import java.util.function.Consumer;
import jdk.jshell.execution.RemoteExecutionControl;
import jdk.jshell.execution.Util;

/**
 * The shell's end in the Java machine that runs the snippets: the kit's own agent, over a
 * connection that hands each request and answer on at once. The kit's connection waits for
 * acknowledgements between the small writes a request is made of, which costs the best part
 * of a fifth of a second a snippet.
 *
 * The shell stops a running snippet through the debugger interface, by finding this class's
 * invoke or varValue on the running thread's stack: both are overridden here for that.
 */
public final class ShellAgent extends RemoteExecutionControl {
    public static void main(String[] args) throws Exception {
        Socket socket = new Socket((String) null, Integer.parseInt(args[0]));
        socket.setTcpNoDelay(true);
        InputStream requests = new QuickAcknowledging(socket);
        OutputStream answers = socket.getOutputStream();
        Map<String, Consumer<OutputStream>> outputs = new HashMap<>();
        outputs.put("out", stream -> System.setOut(new PrintStream(stream, true, StandardCharsets.UTF_8)));
        outputs.put("err", stream -> System.setErr(new PrintStream(stream, true, StandardCharsets.UTF_8)));
        Map<String, Consumer<InputStream>> inputs = new HashMap<>();
        inputs.put("in", System::setIn);
        Util.forwardExecutionControlAndIO(new ShellAgent(), requests, answers, outputs, inputs);
    }

    @Override
    protected String invoke(Method doitMethod) throws Exception {
        return super.invoke(doitMethod);
    }

    @Override
    public String varValue(String className, String varName)
            throws RunException, EngineTerminationException, InternalException {
        return super.varValue(className, varName);
    }

    /**
     * The socket's input, acknowledging what arrives at once: the shell's side of the
     * connection cannot be told not to wait for acknowledgements, so they come without delay.
     */
    private static final class QuickAcknowledging extends FilterInputStream {
        private final Socket socket;
        private boolean quick = true;

        QuickAcknowledging(Socket socket) throws IOException {
            super(socket.getInputStream());
            this.socket = socket;
        }

        // The system turns quick acknowledgement off again by itself: it is asked for around
        // every read.
        private void acknowledgeQuickly() {
            if (!quick)
                return;
            try {
                socket.setOption(jdk.net.ExtendedSocketOptions.TCP_QUICKACK, true);
            } catch (IOException | UnsupportedOperationException e) {
                quick = false;
            }
        }

        @Override
        public int read() throws IOException {
            acknowledgeQuickly();
            int read = super.read();
            acknowledgeQuickly();
            return read;
        }

        @Override
        public int read(byte[] buffer, int offset, int length) throws IOException {
            acknowledgeQuickly();
            int read = super.read(buffer, offset, length);
            acknowledgeQuickly();
            return read;
        }
    }
}
