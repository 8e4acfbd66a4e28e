package org.quorvel.service;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.Paths;
import java.util.ArrayList;
import java.util.List;
import jdk.jshell.SourceCodeAnalysis;
import jdk.jshell.SourceCodeAnalysis.Completeness;

/**
 * Source files of the unnamed package, cut into the declarations a shell takes one by one.
 * The shell's snippets live in a package of their own, from which no class of the unnamed
 * package can be named; such classes reach the shell as their source instead.
 */
final class ShellSources {
    static final long MAX_FILE = 1 << 20;

    /** One declaration of a file: its text from its first token, and the line that is on. */
    static final class Unit {
        final String source;
        final String fileName;
        final int firstLine;

        Unit(String source, String fileName, int firstLine) {
            this.source = source;
            this.fileName = fileName;
            this.firstLine = firstLine;
        }

        /** A line of the declaration as a line of its file. */
        int fileLine(int line) {
            return firstLine + line - 1;
        }
    }

    private ShellSources() {
    }

    /** The file's declarations and imports in order; null when it cannot be read. */
    static List<Unit> units(String file, SourceCodeAnalysis analysis) {
        Path path = Paths.get(file);
        String text;
        try {
            if (Files.size(path) > MAX_FILE)
                return null;
            text = new String(Files.readAllBytes(path), StandardCharsets.UTF_8);
        } catch (IOException | RuntimeException unreadable) {
            return null;
        }
        String name = path.getFileName().toString();
        List<Unit> units = new ArrayList<>();
        int consumed = 0;
        for (String rest = text; !rest.trim().isEmpty();) {
            SourceCodeAnalysis.CompletionInfo info = analysis.analyzeCompletion(rest);
            if (info.completeness() == Completeness.EMPTY)
                break;
            String source = info.source() != null ? info.source() : rest;
            // The shell numbers a declaration's lines right only from its first token.
            int start = firstToken(source);
            if (start < source.length())
                units.add(new Unit(source.substring(start), name,
                        lineAt(text, Math.min(text.length(), consumed + start))));
            if (info.source() == null)
                break;
            consumed += rest.length() - info.remaining().length();
            rest = info.remaining();
        }
        return units;
    }

    /** Where the text's first token is: past blanks and comments. */
    static int firstToken(String text) {
        int at = 0;
        while (at < text.length()) {
            if (Character.isWhitespace(text.charAt(at))) {
                ++at;
            } else if (text.startsWith("//", at)) {
                int end = text.indexOf('\n', at);
                at = end < 0 ? text.length() : end + 1;
            } else if (text.startsWith("/*", at)) {
                int end = text.indexOf("*/", at + 2);
                at = end < 0 ? text.length() : end + 2;
            } else {
                break;
            }
        }
        return at;
    }

    private static int lineAt(String text, int offset) {
        int line = 1;
        for (int i = 0; i < offset; ++i) {
            if (text.charAt(i) == '\n')
                ++line;
        }
        return line;
    }
}
