package org.quorvel.service;

import java.io.ByteArrayInputStream;
import java.io.ByteArrayOutputStream;
import java.io.OutputStream;
import java.io.PrintStream;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.LinkedHashSet;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import java.util.concurrent.ExecutorService;
import java.util.concurrent.Executors;
import java.util.concurrent.ScheduledExecutorService;
import java.util.concurrent.TimeUnit;
import java.util.function.Consumer;
import java.util.stream.Collectors;
import jdk.jshell.DeclarationSnippet;
import jdk.jshell.Diag;
import jdk.jshell.EvalException;
import jdk.jshell.ExpressionSnippet;
import jdk.jshell.JShell;
import jdk.jshell.MethodSnippet;
import jdk.jshell.Snippet;
import jdk.jshell.SnippetEvent;
import jdk.jshell.SourceCodeAnalysis;
import jdk.jshell.SourceCodeAnalysis.Completeness;
import jdk.jshell.UnresolvedReferenceException;
import jdk.jshell.VarSnippet;

/**
 * The Java shell: snippets of Java evaluated one after the other, each seeing what the earlier
 * ones declared. The snippets run in a Java machine of their own, so a snippet that exits or
 * never ends cannot take this service with it. All work happens on the shell's own thread;
 * only stop comes in beside it, to end the snippet that runs.
 *
 * Requests and their answers:
 *   shellstart s class path, i n, n times s source file
 *                            -> started: pieces (notes on the files), or failed: s why.
 *                               Any shell before is closed. The source files' declarations
 *                               are evaluated first (see {@link ShellSources}).
 *   shelleval s input        -> incomplete (nothing ran: the input needs more lines), or
 *                               "more" without pieces once the input is taken, then what
 *                               the snippets print as "more": pieces while they run, and at
 *                               the end evaluated: pieces.
 *   shellsuggest s input, i caret -> suggestions: i anchor (where the suggested texts
 *                               replace the input), i n, n times s text
 *   shellstop                -> stopped
 *   shellclose               -> closed
 * Pieces are i n, then n pairs s kind, s text; the kinds are "output" (what a snippet
 * printed), "value" ("$1 ==> 2"), "note" (what was declared, or what happened to the shell),
 * "error" (a snippet that does not compile) and "exception" (a stack trace).
 */
final class Shell {
    // What a snippet prints beyond this is counted, not sent.
    static final int MAX_OUTPUT = 1 << 20;
    static final int FLUSH_MS = 100;

    // The imports every new shell starts with, as the JDK's own shell does.
    private static final String[] IMPORTS = {"java.io.*", "java.math.*", "java.net.*",
            "java.nio.file.*", "java.util.*", "java.util.concurrent.*", "java.util.function.*",
            "java.util.prefs.*", "java.util.regex.*", "java.util.stream.*"};

    private final Consumer<Message> answer;
    private final ExecutorService thread = Executors.newSingleThreadExecutor(runnable -> {
        Thread shell = new Thread(runnable, "shell");
        shell.setDaemon(true);
        return shell;
    });
    private final ScheduledExecutorService flusher = Executors.newSingleThreadScheduledExecutor(
            runnable -> {
                Thread shell = new Thread(runnable, "shell output");
                shell.setDaemon(true);
                return shell;
            });
    private final Printed printed = new Printed();

    private volatile JShell shell;
    private String classPath = "";
    private List<String> sourceFiles = new ArrayList<>();
    // The file declarations each snippet id of the files' stands for.
    private final Map<String, ShellSources.Unit> origins = new ConcurrentHashMap<>();
    private volatile ShellSources.Unit loading;
    private int snippets;
    private boolean starting;
    private volatile boolean ended;
    private volatile boolean stopped;
    private volatile boolean evaluating;

    Shell(Consumer<Message> answer) {
        this.answer = answer;
    }

    void handle(Message request) {
        if (request.kind.equals("shellstop")) {
            stop();
            answer.accept(new Message(request.id, "stopped"));
            return;
        }
        thread.execute(() -> {
            try {
                answer.accept(run(request));
            } catch (Message.BrokenFrame | RuntimeException failure) {
                answer.accept(new Message(request.id, "failed").add(String.valueOf(failure)));
            }
        });
    }

    /**
     * Stops the input being evaluated. A snippet still being compiled is not running yet and
     * cannot be stopped: the stop is tried again until the input is done.
     */
    private void stop() {
        if (!evaluating)
            return;
        stopped = true;
        flusher.execute(new Runnable() {
            @Override
            public void run() {
                JShell running = shell;
                if (!evaluating || running == null)
                    return;
                running.stop();
                flusher.schedule(this, FLUSH_MS, TimeUnit.MILLISECONDS);
            }
        });
    }

    private Message run(Message request) throws Message.BrokenFrame {
        switch (request.kind) {
        case "shellstart": {
            close();
            List<String> files = new ArrayList<>();
            int count = request.size() > 1 ? request.integer(1) : 0;
            for (int i = 0; i < count; ++i)
                files.add(request.text(2 + i));
            return start(request.text(0), files).into(new Message(request.id, "started"));
        }
        case "shelleval":
            return evaluate(request.id, request.text(0));
        case "shellsuggest":
            return suggest(request.id, request.text(0), request.integer(1));
        case "shellclose":
            close();
            return new Message(request.id, "closed");
        default:
            return new Message(request.id, "failed").add("unknown request: " + request.kind);
        }
    }

    private Pieces start(String path, List<String> files) {
        classPath = path;
        sourceFiles = files;
        origins.clear();
        snippets = 0;
        ended = false;
        starting = true;
        JShell created;
        try {
            created = builder(true).build();
        } catch (IllegalStateException e) {
            // Without this service's agent the kit's own does, only slower.
            created = builder(false).build();
        }
        // Only the shell in use: closing the one before says so too.
        created.onShutdown(gone -> ended |= gone == shell);
        if (!path.isEmpty())
            created.addToClasspath(path);
        for (String name : IMPORTS)
            created.eval("import " + name + ";");
        Pieces notes = load(created, files);
        starting = false;
        shell = created;
        return notes;
    }

    private JShell.Builder builder(boolean ownAgent) {
        PrintStream out = new PrintStream(printed, true, StandardCharsets.UTF_8);
        List<String> options = new ArrayList<>(List.of("-XX:+UseSerialGC",
                "-XX:TieredStopAtLevel=1", "-XX:-UsePerfData", "-Xshare:auto",
                "-Dfile.encoding=UTF-8", "-Dstdout.encoding=UTF-8", "-Dstderr.encoding=UTF-8"));
        JShell.Builder builder = JShell.builder();
        if (ownAgent) {
            options.add("-classpath");
            options.add(System.getProperty("java.class.path"));
            builder.executionEngine("jdi:remoteAgent(" + ShellAgent.class.getName() + ")");
        }
        return builder
                .out(out)
                .err(out)
                // Never the service's own input: that carries the requests.
                .in(new ByteArrayInputStream(new byte[0]))
                // The start's own snippets apart, the user's are numbered from 1.
                .idGenerator(this::snippetId)
                .remoteVMOptions(options.toArray(new String[0]));
    }

    private String snippetId(Snippet snippet, int index) {
        // A file's declaration is told by its id: its trace's lines then name the file.
        if (loading != null) {
            origins.put("f" + index, loading);
            return "f" + index;
        }
        return starting ? "s" + index : String.valueOf(++snippets);
    }

    private Pieces load(JShell into, List<String> files) {
        Pieces notes = new Pieces();
        List<String> loaded = new ArrayList<>();
        for (String file : files) {
            List<ShellSources.Unit> units = ShellSources.units(file, into.sourceCodeAnalysis());
            if (units == null) {
                notes.add("note", file + " could not be read");
                continue;
            }
            for (ShellSources.Unit unit : units) {
                loading = unit;
                List<SnippetEvent> events;
                try {
                    events = into.eval(unit.source);
                } finally {
                    loading = null;
                }
                for (SnippetEvent event : events) {
                    if (event.causeSnippet() != null)
                        continue;
                    Snippet snippet = event.snippet();
                    if (event.status() == Snippet.Status.REJECTED) {
                        String why = into.diagnostics(snippet).filter(Diag::isError)
                                .map(diag -> diag.getMessage(null)).findFirst().orElse("rejected");
                        notes.add("note", unit.fileName + " line " + unit.firstLine
                                + " is not in the shell: " + why);
                    } else if (snippet.kind() == Snippet.Kind.TYPE_DECL) {
                        loaded.add(((DeclarationSnippet) snippet).name());
                    }
                }
            }
        }
        if (!loaded.isEmpty())
            notes.add("note", "From the document's folder: " + String.join(", ", loaded));
        return notes;
    }

    private void close() {
        JShell open = shell;
        shell = null;
        if (open != null)
            open.close();
    }

    private Message evaluate(int id, String input) {
        if (shell == null)
            start(classPath, sourceFiles);
        SourceCodeAnalysis analysis = shell.sourceCodeAnalysis();
        List<String> sources = new ArrayList<>();
        for (String rest = input; !rest.trim().isEmpty();) {
            SourceCodeAnalysis.CompletionInfo info = analysis.analyzeCompletion(rest);
            Completeness completeness = info.completeness();
            if (completeness == Completeness.DEFINITELY_INCOMPLETE
                    || completeness == Completeness.CONSIDERED_INCOMPLETE)
                return new Message(id, "incomplete");
            if (completeness == Completeness.EMPTY)
                break;
            // What cannot be told apart goes to the compiler whole, for its message.
            if (completeness == Completeness.UNKNOWN || info.source() == null) {
                sources.add(rest);
                break;
            }
            sources.add(info.source());
            rest = info.remaining();
        }
        // The input is taken: the workbench shows it while it runs.
        answer.accept(new Pieces().into(new Message(id, "more")));
        stopped = false;
        evaluating = true;
        printed.begin(id);
        Pieces rest;
        try {
            for (String source : sources) {
                List<SnippetEvent> events = shell.eval(source);
                for (SnippetEvent event : events)
                    describe(event, printed);
                if (stopped) {
                    printed.add("note", "Stopped");
                    break;
                }
                if (ended) {
                    printed.add("note", "The snippet ended the shell; a fresh one has started");
                    close();
                    start(classPath, sourceFiles);
                    break;
                }
            }
        } finally {
            evaluating = false;
            rest = printed.end();
        }
        return rest.into(new Message(id, "evaluated"));
    }

    private void describe(SnippetEvent event, Printed pieces) {
        // Snippets that changed because of this one are not news of their own.
        if (event.causeSnippet() != null)
            return;
        Snippet snippet = event.snippet();
        if (event.status() == Snippet.Status.REJECTED) {
            pieces.add("error", errors(snippet));
            return;
        }
        if (event.exception() != null) {
            pieces.add("exception", trace(event.exception()));
            return;
        }
        if (snippet instanceof VarSnippet && event.value() != null) {
            pieces.add("value", ((VarSnippet) snippet).name() + " ==> " + event.value());
        } else if (snippet instanceof ExpressionSnippet && event.value() != null) {
            pieces.add("value", ((ExpressionSnippet) snippet).name() + " ==> " + event.value());
        } else if (snippet instanceof DeclarationSnippet && !(snippet instanceof VarSnippet)) {
            pieces.add("note", declared(event, (DeclarationSnippet) snippet));
        }
    }

    private String declared(SnippetEvent event, DeclarationSnippet snippet) {
        String what = snippet.kind() == Snippet.Kind.METHOD
                ? "method " + snippet.name() + "(" + ((MethodSnippet) snippet).parameterTypes() + ")"
                : kindName(snippet) + " " + snippet.name();
        String how = event.previousStatus() == Snippet.Status.NONEXISTENT ? "created "
                : event.isSignatureChange() ? "replaced " : "modified ";
        String text = how + what;
        List<String> missing = shell.unresolvedDependencies(snippet).collect(Collectors.toList());
        if (!missing.isEmpty())
            text += ", which cannot be used until " + String.join(", ", missing)
                    + (missing.size() == 1 ? " is" : " are") + " declared";
        return text;
    }

    private static String kindName(Snippet snippet) {
        switch (snippet.subKind()) {
        case INTERFACE_SUBKIND:
            return "interface";
        case ENUM_SUBKIND:
            return "enum";
        case ANNOTATION_TYPE_SUBKIND:
            return "annotation interface";
        default:
            return snippet.subKind().name().startsWith("RECORD") ? "record" : "class";
        }
    }

    private String errors(Snippet snippet) {
        StringBuilder text = new StringBuilder();
        String source = snippet.source();
        for (Diag diag : (Iterable<Diag>) shell.diagnostics(snippet)::iterator) {
            if (!diag.isError())
                continue;
            if (text.length() > 0)
                text.append('\n');
            text.append("Error: ").append(diag.getMessage(null)).append('\n');
            int start = (int) Math.max(0, Math.min(diag.getStartPosition(), source.length()));
            int end = (int) Math.max(start, Math.min(diag.getEndPosition(), source.length()));
            // The line of the snippet the error is on, with its range underlined.
            int lineStart = source.lastIndexOf('\n', start - 1) + 1;
            int lineEnd = source.indexOf('\n', start);
            if (lineEnd < 0)
                lineEnd = source.length();
            text.append(source, lineStart, lineEnd).append('\n');
            StringBuilder marker = new StringBuilder();
            for (int i = lineStart; i < start; ++i)
                marker.append(source.charAt(i) == '\t' ? '\t' : ' ');
            int width = Math.max(1, Math.min(end, lineEnd) - start);
            marker.append(width == 1 ? "^" : "^" + "-".repeat(width - 2) + "^");
            text.append(marker);
        }
        return text.length() == 0 ? "Error: the snippet was rejected" : text.toString();
    }

    /** A stack trace as a Java program prints it, a snippet's lines as "at (#3:1)". */
    private String trace(Throwable thrown) {
        StringBuilder text = new StringBuilder();
        Set<Throwable> seen = new LinkedHashSet<>();
        for (Throwable each = thrown; each != null && seen.add(each); each = each.getCause()) {
            if (each != thrown)
                text.append("\nCaused by: ");
            String name = each instanceof EvalException
                    ? ((EvalException) each).getExceptionClassName()
                    : each instanceof UnresolvedReferenceException ? "Unresolved reference"
                    : each.getClass().getName();
            text.append(name);
            String message = each instanceof UnresolvedReferenceException
                    ? "method " + ((UnresolvedReferenceException) each).getSnippet().name()
                            + " cannot be called until what it uses is declared"
                    : each.getMessage();
            if (message != null)
                text.append(": ").append(message);
            for (StackTraceElement frame : each.getStackTrace()) {
                text.append("\n\tat ");
                String file = frame.getFileName();
                ShellSources.Unit origin = file != null && file.startsWith("#")
                        ? origins.get(file.substring(1)) : null;
                String place = frame.getClassName().isEmpty() ? frame.getMethodName()
                        : frame.getClassName() + "." + frame.getMethodName();
                if (origin != null) {
                    text.append(place).append('(').append(origin.fileName).append(':')
                            .append(origin.fileLine(frame.getLineNumber())).append(')');
                } else if (file != null && file.startsWith("#")) {
                    text.append(place).append('(').append(file).append(':')
                            .append(frame.getLineNumber()).append(')');
                } else {
                    text.append(frame);
                }
            }
        }
        return text.toString();
    }

    private Message suggest(int id, String input, int caret) {
        if (shell == null)
            start(classPath, sourceFiles);
        int[] anchor = new int[1];
        caret = Math.max(0, Math.min(caret, input.length()));
        List<SourceCodeAnalysis.Suggestion> found
                = shell.sourceCodeAnalysis().completionSuggestions(input, caret, anchor);
        // Those that fit the expected type first, each text once.
        Set<String> texts = new LinkedHashSet<>();
        for (SourceCodeAnalysis.Suggestion suggestion : found) {
            if (suggestion.matchesType())
                texts.add(suggestion.continuation());
        }
        for (SourceCodeAnalysis.Suggestion suggestion : found)
            texts.add(suggestion.continuation());
        Message message = new Message(id, "suggestions").add(anchor[0]).add(texts.size());
        for (String text : texts)
            message.add(text);
        return message;
    }

    /** The length of the bytes' longest start that ends with a whole UTF-8 character. */
    static int wholeCharacters(byte[] bytes) {
        int length = bytes.length;
        for (int back = 1; back <= Math.min(3, length); ++back) {
            int lead = bytes[length - back] & 0xff;
            if ((lead & 0xc0) == 0x80)
                continue;
            int needs = lead >= 0xf0 ? 4 : lead >= 0xe0 ? 3 : lead >= 0xc0 ? 2 : 1;
            return needs > back ? length - back : length;
        }
        return length;
    }

    /** An answer's pieces in order. */
    private static final class Pieces {
        private final List<String[]> list = new ArrayList<>();

        void add(String kind, String text) {
            // What was printed comes in as it arrives: runs of it join into one piece.
            int last = list.size() - 1;
            if (kind.equals("output") && last >= 0 && list.get(last)[0].equals("output"))
                list.get(last)[1] += text;
            else
                list.add(new String[] {kind, text});
        }

        boolean isEmpty() {
            return list.isEmpty();
        }

        Message into(Message message) {
            message.add(list.size());
            for (String[] piece : list)
                message.add(piece[0]).add(piece[1]);
            return message;
        }
    }

    /**
     * What the snippets print, collected while they run and sent on as "more" every
     * FLUSH_MS, so that a snippet that prints for long is seen while it prints.
     */
    private final class Printed extends OutputStream {
        private final ByteArrayOutputStream bytes = new ByteArrayOutputStream();
        private long dropped;
        private long total;
        private int id;
        private java.util.concurrent.ScheduledFuture<?> ticking;
        // What is to be sent with the next "more", or with the answer.
        private Pieces pending = new Pieces();

        synchronized void begin(int requestId) {
            id = requestId;
            pending = new Pieces();
            total = 0;
            dropped = 0;
            bytes.reset();
            ticking = flusher.scheduleWithFixedDelay(this::tick, FLUSH_MS, FLUSH_MS,
                    TimeUnit.MILLISECONDS);
        }

        /** A piece after all that was printed so far. */
        synchronized void add(String kind, String text) {
            drain(true);
            pending.add(kind, text);
        }

        // All that was printed, or (whole false) all up to a character cut in two.
        private void drain(boolean whole) {
            byte[] all = bytes.toByteArray();
            int cut = whole ? all.length : wholeCharacters(all);
            if (cut > 0)
                pending.add("output", new String(all, 0, cut, StandardCharsets.UTF_8));
            bytes.reset();
            bytes.write(all, cut, all.length - cut);
        }

        /** Stops sending; what is still to be sent. */
        Pieces end() {
            java.util.concurrent.ScheduledFuture<?> tick;
            synchronized (this) {
                tick = ticking;
                ticking = null;
            }
            if (tick != null)
                tick.cancel(false);
            synchronized (this) {
                drain(true);
                if (dropped > 0)
                    pending.add("note", "... " + dropped + " more bytes of output not shown");
                return pending;
            }
        }

        // Sent while holding the lock, so that no piece can come after the answer.
        private synchronized void tick() {
            if (ticking == null)
                return;
            drain(false);
            if (!pending.isEmpty())
                answer.accept(pending.into(new Message(id, "more")));
            pending = new Pieces();
        }

        @Override
        public synchronized void write(int b) {
            write(new byte[] {(byte) b}, 0, 1);
        }

        @Override
        public synchronized void write(byte[] data, int offset, int length) {
            long room = Math.max(0, MAX_OUTPUT - total);
            int kept = (int) Math.min(room, length);
            bytes.write(data, offset, kept);
            total += kept;
            dropped += length - kept;
        }
    }
}
