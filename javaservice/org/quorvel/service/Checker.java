package org.quorvel.service;

import com.sun.source.util.JavacTask;

import java.io.File;
import java.io.IOException;
import java.net.URI;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.ConcurrentHashMap;
import javax.tools.Diagnostic;
import javax.tools.DiagnosticCollector;
import javax.tools.FileObject;
import javax.tools.ForwardingJavaFileManager;
import javax.tools.JavaCompiler;
import javax.tools.JavaFileManager.Location;
import javax.tools.JavaFileObject;
import javax.tools.SimpleJavaFileObject;
import javax.tools.StandardJavaFileManager;
import javax.tools.StandardLocation;
import javax.tools.ToolProvider;

/**
 * Checks a document's text in memory: parses and attributes it, never generating code.
 *
 * Request "check": s file name, s text (UTF-8), s source path, s class path (both
 * path-separator lists, may be empty), i n, then n pairs (s file name, s text) of other
 * documents whose unsaved text stands for their files on the source path.
 * Answer "diagnostics": i count, then per diagnostic s kind ("error" or "warning"),
 * i start, i end (offsets in the text's UTF-16 units), s message. A check overtaken by a
 * newer check of the same file before it started answers "skipped"; one that fails answers
 * "failed" with s why.
 */
final class Checker {
    static final int MAX_DIAGNOSTICS = 300;

    private final JavaCompiler compiler = ToolProvider.getSystemJavaCompiler();
    private final StandardJavaFileManager files;
    // The newest check request of each file name.
    private final Map<String, Integer> newest = new ConcurrentHashMap<>();

    Checker() {
        files = compiler == null ? null
                : compiler.getStandardFileManager(null, null, StandardCharsets.UTF_8);
    }

    boolean available() {
        return compiler != null;
    }

    void noteRequest(Message request) {
        try {
            newest.put(request.text(0), request.id);
        } catch (Message.BrokenFrame ignored) {
            // Answered as failed by check().
        }
    }

    /** Loads and compiles the compiler's own code once, so that the first real check is quick. */
    void warmUp() {
        if (compiler == null)
            return;
        try {
            check("Warm.java", "class Warm { String s = \"\".trim(); int x = y; }", "", "",
                    Collections.emptyMap());
        } catch (IOException | RuntimeException ignored) {
            // A failing compiler shows with the first real check.
        }
    }

    Message check(Message request) {
        try {
            String fileName = request.text(0);
            Integer latest = newest.get(fileName);
            if (latest != null && latest != request.id)
                return new Message(request.id, "skipped");
            String text = request.text(1);
            String sourcePath = request.text(2);
            String classPath = request.text(3);
            int count = request.integer(4);
            Map<URI, String> others = new HashMap<>();
            for (int i = 0; i < count; ++i)
                others.put(uriOf(request.text(5 + 2 * i)), request.text(6 + 2 * i));
            if (compiler == null)
                return new Message(request.id, "failed").add("this Java has no compiler");
            List<Diagnostic<? extends JavaFileObject>> found
                    = check(fileName, text, sourcePath, classPath, others);
            Message answer = new Message(request.id, "diagnostics").add(found.size());
            for (Diagnostic<? extends JavaFileObject> diagnostic : found) {
                long position = diagnostic.getPosition();
                long start = diagnostic.getStartPosition();
                long end = diagnostic.getEndPosition();
                if (start == Diagnostic.NOPOS)
                    start = position;
                if (end == Diagnostic.NOPOS || end < start)
                    end = start;
                answer.add(diagnostic.getKind() == Diagnostic.Kind.ERROR ? "error" : "warning")
                        .add((int) start).add((int) end).add(diagnostic.getMessage(null));
            }
            return answer;
        } catch (IOException | RuntimeException failure) {
            return new Message(request.id, "failed").add(String.valueOf(failure));
        }
    }

    private List<Diagnostic<? extends JavaFileObject>> check(String fileName, String text,
            String sourcePath, String classPath, Map<URI, String> others) throws IOException {
        files.setLocation(StandardLocation.SOURCE_PATH, pathOf(sourcePath));
        files.setLocation(StandardLocation.CLASS_PATH, pathOf(classPath));
        Source current = new Source(uriOf(fileName), text);
        DiagnosticCollector<JavaFileObject> collector = new DiagnosticCollector<>();
        List<String> options = Arrays.asList("-proc:none", "-implicit:none", "-Xlint:all",
                "-Xlint:-serial", "-Xlint:-path", "-Xlint:-options", "-Xlint:-processing",
                "-Xlint:-classfile", "-Xmaxerrs", String.valueOf(MAX_DIAGNOSTICS), "-Xmaxwarns",
                String.valueOf(MAX_DIAGNOSTICS));
        JavacTask task = (JavacTask) compiler.getTask(null, new Overlay(files, others),
                collector, options, null, Collections.singletonList(current));
        task.analyze();
        List<Diagnostic<? extends JavaFileObject>> result = new ArrayList<>();
        for (Diagnostic<? extends JavaFileObject> diagnostic : collector.getDiagnostics()) {
            if (diagnostic.getSource() != current || diagnostic.getKind() == Diagnostic.Kind.NOTE
                    || diagnostic.getKind() == Diagnostic.Kind.OTHER)
                continue;
            if (result.size() < MAX_DIAGNOSTICS)
                result.add(diagnostic);
        }
        return result;
    }

    static URI uriOf(String fileName) {
        // A name without ".java" (a document not saved yet) still counts as a source.
        String name = fileName.endsWith(".java") ? fileName : fileName + ".java";
        return new File(name).getAbsoluteFile().toURI().normalize();
    }

    static List<File> pathOf(String path) {
        List<File> entries = new ArrayList<>();
        for (String entry : path.split(File.pathSeparator)) {
            if (!entry.isEmpty())
                entries.add(new File(entry));
        }
        return entries;
    }

    /** A document's text standing for its file. */
    static final class Source extends SimpleJavaFileObject {
        private final String text;
        final JavaFileObject file;

        Source(URI uri, String text) {
            this(uri, text, null);
        }

        Source(URI uri, String text, JavaFileObject file) {
            super(uri, Kind.SOURCE);
            this.text = text;
            this.file = file;
        }

        @Override
        public CharSequence getCharContent(boolean ignoreEncodingErrors) {
            return text;
        }
    }

    /** The file manager with other documents' unsaved text in place of their files' on the source path. */
    static final class Overlay extends ForwardingJavaFileManager<StandardJavaFileManager> {
        private final Map<URI, String> texts;

        Overlay(StandardJavaFileManager files, Map<URI, String> texts) {
            super(files);
            this.texts = texts;
        }

        @Override
        public Iterable<JavaFileObject> list(Location location, String packageName,
                Set<JavaFileObject.Kind> kinds, boolean recurse) throws IOException {
            Iterable<JavaFileObject> listed = super.list(location, packageName, kinds, recurse);
            if (texts.isEmpty() || location != StandardLocation.SOURCE_PATH)
                return listed;
            List<JavaFileObject> result = new ArrayList<>();
            for (JavaFileObject file : listed) {
                String text = texts.get(file.toUri().normalize());
                result.add(text == null ? file : new Source(file.toUri(), text, file));
            }
            return result;
        }

        @Override
        public String inferBinaryName(Location location, JavaFileObject file) {
            return super.inferBinaryName(location, file instanceof Source && ((Source) file).file != null
                    ? ((Source) file).file : file);
        }

        // Checking never writes: should the compiler ever ask for a class file (or any other
        // output), it is refused rather than written somewhere.
        @Override
        public JavaFileObject getJavaFileForOutput(Location location, String className,
                JavaFileObject.Kind kind, FileObject sibling) throws IOException {
            throw new IOException("checking writes no files: " + className);
        }

        @Override
        public FileObject getFileForOutput(Location location, String packageName,
                String relativeName, FileObject sibling) throws IOException {
            throw new IOException("checking writes no files: " + relativeName);
        }

        @Override
        public boolean isSameFile(FileObject a, FileObject b) {
            if (a instanceof Source || b instanceof Source)
                return a.toUri().normalize().equals(b.toUri().normalize());
            return super.isSameFile(a, b);
        }
    }
}
