package org.quorvel.service;

import java.io.BufferedInputStream;
import java.io.BufferedOutputStream;
import java.io.DataInputStream;
import java.io.IOException;
import java.io.OutputStream;
import java.io.PrintStream;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;

/**
 * The workbench's resident Java process. It reads requests from its standard input and
 * writes one answer for each to its standard output, both as framed messages (see
 * {@link Message}); the answer carries the request's id. Requests of different kinds run on
 * workers of their own, so a slow one never holds up another kind; answers may come in any
 * order. The service ends when its standard input ends, and with exit status 2 at a frame it
 * cannot read.
 *
 * Requests and their answers:
 *   hello             -> hello: s java version, i 1 when the compiler is there, else 0
 *   echo fields...    -> echo: the same fields
 *   check ...         -> see {@link Checker}
 *   complete ...      -> see {@link Completion}
 *   shell...          -> see {@link Shell}
 *   anything else     -> failed: s why
 */
public final class Service {
    private final OutputStream out;
    private final Checker checker = new Checker();
    private final Shell shell = new Shell(this::answer);
    private final ExecutorService checks = worker("checks");
    private final Completion completion = new Completion();
    private final ExecutorService completions = worker("completions");

    private Service(OutputStream out) {
        this.out = out;
    }

    private static ExecutorService worker(String name) {
        return Executors.newSingleThreadExecutor(runnable -> {
            Thread thread = new Thread(runnable, name);
            thread.setDaemon(true);
            return thread;
        });
    }

    public static void main(String[] args) {
        // Only frames go to standard output; anything else printed goes to standard error.
        PrintStream frames = System.out;
        System.setOut(System.err);
        Service service = new Service(new BufferedOutputStream(frames, 1 << 16));
        service.serve(new DataInputStream(new BufferedInputStream(System.in, 1 << 16)));
    }

    private void serve(DataInputStream in) {
        checks.execute(checker::warmUp);
        completions.execute(completion::warmUp);
        for (;;) {
            Message request;
            try {
                request = Message.read(in);
            } catch (IOException broken) {
                System.err.println("quorvel service: " + broken.getMessage());
                System.exit(2);
                return;
            }
            if (request == null)
                System.exit(0);
            dispatch(request);
        }
    }

    private void dispatch(Message request) {
        switch (request.kind) {
        case "hello":
            answer(new Message(request.id, "hello").add(System.getProperty("java.version"))
                    .add(checker.available() ? 1 : 0));
            break;
        case "echo":
            answer(echo(request));
            break;
        case "check":
            checker.noteRequest(request);
            checks.execute(() -> answer(checker.check(request)));
            break;
        case "complete":
            completion.noteRequest(request);
            completions.execute(() -> answer(completion.complete(request)));
            break;
        default:
            if (request.kind.startsWith("shell")) {
                shell.handle(request);
                break;
            }
            answer(new Message(request.id, "failed").add("unknown request: " + request.kind));
        }
    }

    private static Message echo(Message request) {
        Message answer = new Message(request.id, "echo");
        for (int i = 0; i < request.size(); ++i) {
            try {
                answer.add(request.integer(i));
            } catch (Message.BrokenFrame notNumber) {
                try {
                    answer.add(request.bytes(i));
                } catch (Message.BrokenFrame never) {
                    throw new IllegalStateException(never);
                }
            }
        }
        return answer;
    }

    private synchronized void answer(Message message) {
        try {
            out.write(message.encode());
            out.flush();
        } catch (IOException gone) {
            // The workbench has gone: nobody is left to serve.
            System.exit(0);
        }
    }
}
