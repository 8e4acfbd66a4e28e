package org.quorvel.service;

import com.sun.source.tree.BlockTree;
import com.sun.source.tree.CompilationUnitTree;
import com.sun.source.tree.ExpressionTree;
import com.sun.source.tree.IdentifierTree;
import com.sun.source.tree.ImportTree;
import com.sun.source.tree.MemberSelectTree;
import com.sun.source.tree.MethodTree;
import com.sun.source.tree.Scope;
import com.sun.source.util.JavacTask;
import com.sun.source.util.SourcePositions;
import com.sun.source.util.TreePath;
import com.sun.source.util.TreePathScanner;
import com.sun.source.util.TreeScanner;
import com.sun.source.util.Trees;

import java.io.IOException;
import java.net.URI;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.Arrays;
import java.util.Collections;
import java.util.HashMap;
import java.util.LinkedHashMap;
import java.util.List;
import java.util.Locale;
import java.util.Map;
import javax.lang.model.element.Element;
import javax.lang.model.element.ElementKind;
import javax.lang.model.element.ExecutableElement;
import javax.lang.model.element.Modifier;
import javax.lang.model.element.PackageElement;
import javax.lang.model.element.TypeElement;
import javax.lang.model.element.VariableElement;
import javax.lang.model.type.DeclaredType;
import javax.lang.model.type.TypeKind;
import javax.lang.model.type.TypeMirror;
import javax.lang.model.type.TypeVariable;
import javax.lang.model.util.Elements;
import javax.lang.model.util.Types;
import javax.tools.JavaCompiler;
import javax.tools.StandardJavaFileManager;
import javax.tools.StandardLocation;
import javax.tools.ToolProvider;

/**
 * The names that may go at a caret in a document's text, worked out by the compiler on the
 * text as it is: after "expr." the members of the expression's type (only the static ones
 * after a type name, length after an array), otherwise the names in scope there.
 *
 * Request "complete": s file name, s text, i caret (an offset in the text's UTF-16 units),
 * s source path, s class path, i n, then n pairs (s file name, s text) as for "check".
 * Answer "completions": i count, then per name s name, s label (what the list shows),
 * s insertion (a method's name with its opening parenthesis). Names are those that begin
 * with the part of a name before the caret, in any case. A request overtaken by a newer one
 * before it started answers "skipped".
 */
final class Completion {
    static final int MAX_NAMES = 500;
    // Stands in for the name being typed, so that the text around it parses.
    private static final String HOLE = "quorvelCompletionHole";
    private static final List<String> KEYWORDS = Arrays.asList("abstract", "assert", "boolean",
            "break", "byte", "case", "catch", "char", "class", "continue", "default", "do",
            "double", "else", "enum", "extends", "false", "final", "finally", "float", "for",
            "if", "implements", "import", "instanceof", "int", "interface", "long", "new",
            "null", "package", "private", "protected", "public", "return", "short", "static",
            "super", "switch", "synchronized", "this", "throw", "throws", "true", "try", "var",
            "void", "volatile", "while");

    private final JavaCompiler compiler = ToolProvider.getSystemJavaCompiler();
    private final StandardJavaFileManager files;
    private volatile int newest;

    Completion() {
        files = compiler == null ? null
                : compiler.getStandardFileManager(null, null, StandardCharsets.UTF_8);
    }

    void noteRequest(Message request) {
        newest = request.id;
    }

    void warmUp() {
        if (compiler == null)
            return;
        try {
            complete("Warm.java", "class Warm { void f() { \"\".", 28, "", "",
                    Collections.emptyMap());
        } catch (IOException | RuntimeException ignored) {
            // A failing compiler shows with the first real request.
        }
    }

    Message complete(Message request) {
        try {
            if (request.id != newest)
                return new Message(request.id, "skipped");
            String fileName = request.text(0);
            String text = request.text(1);
            int caret = Math.max(0, Math.min(request.integer(2), text.length()));
            String sourcePath = request.text(3);
            String classPath = request.text(4);
            int count = request.integer(5);
            Map<URI, String> others = new HashMap<>();
            for (int i = 0; i < count; ++i)
                others.put(Checker.uriOf(request.text(6 + 2 * i)), request.text(7 + 2 * i));
            if (compiler == null)
                return new Message(request.id, "failed").add("this Java has no compiler");
            List<String[]> found = complete(fileName, text, caret, sourcePath, classPath, others);
            Message answer = new Message(request.id, "completions").add(found.size());
            for (String[] name : found)
                answer.add(name[0]).add(name[1]).add(name[2]);
            return answer;
        } catch (IOException | RuntimeException failure) {
            return new Message(request.id, "failed").add(String.valueOf(failure));
        }
    }

    private List<String[]> complete(String fileName, String text, int caret, String sourcePath,
            String classPath, Map<URI, String> others) throws IOException {
        int start = caret;
        while (start > 0 && Character.isJavaIdentifierPart(text.charAt(start - 1)))
            --start;
        String prefix = text.substring(start, caret);
        int end = caret;
        while (end < text.length() && Character.isJavaIdentifierPart(text.charAt(end)))
            ++end;
        int next = end;
        while (next < text.length() && Character.isWhitespace(text.charAt(next)))
            ++next;
        // A call of the hole is an expression and a statement alike, so an unfinished
        // statement still parses into a tree that holds it.
        boolean call = next < text.length() && text.charAt(next) == '(';
        String patched = text.substring(0, start) + HOLE + (call ? "" : "()") + text.substring(end);

        files.setLocation(StandardLocation.SOURCE_PATH, Checker.pathOf(sourcePath));
        files.setLocation(StandardLocation.CLASS_PATH, Checker.pathOf(classPath));
        // Only the method around the caret matters: the others' bodies are blanked out (their
        // lines and offsets stay) so that the compiler does not work through them.
        JavacTask parsing = task(fileName, patched, others);
        patched = blankOtherBodies(parsing.parse().iterator().next(),
                Trees.instance(parsing).getSourcePositions(), patched, start);
        JavacTask task = task(fileName, patched, others);
        CompilationUnitTree unit = task.parse().iterator().next();
        task.analyze();
        Trees trees = Trees.instance(task);
        TreePath hole = findHole(unit);
        Map<String, String[]> names = new LinkedHashMap<>();
        if (hole == null)
            return new ArrayList<>();
        Scope scope = trees.getScope(hole);
        Names collected = new Names(task, trees, scope, prefix, names);
        if (hole.getLeaf() instanceof MemberSelectTree)
            collected.members(new TreePath(hole, ((MemberSelectTree) hole.getLeaf()).getExpression()));
        else
            collected.inScope(unit);
        List<String[]> result = new ArrayList<>(names.values());
        result.sort((a, b) -> {
            int order = a[0].compareToIgnoreCase(b[0]);
            return order != 0 ? order : a[1].compareTo(b[1]);
        });
        return result.size() > MAX_NAMES ? result.subList(0, MAX_NAMES) : result;
    }

    private JavacTask task(String fileName, String text, Map<URI, String> others) {
        Checker.Source current = new Checker.Source(Checker.uriOf(fileName), text);
        List<String> options = Arrays.asList("-proc:none", "-implicit:none",
                "-XDshould-stop.at=FLOW", "-Xlint:none", "-nowarn");
        return (JavacTask) compiler.getTask(null, new Checker.Overlay(files, others),
                diagnostic -> { }, options, null, Collections.singletonList(current));
    }

    private static String blankOtherBodies(CompilationUnitTree unit, SourcePositions positions,
            String text, int at) {
        char[] blanked = text.toCharArray();
        new TreeScanner<Void, Void>() {
            @Override
            public Void visitMethod(MethodTree method, Void unused) {
                BlockTree body = method.getBody();
                if (body == null)
                    return null;
                long start = positions.getStartPosition(unit, body);
                long end = positions.getEndPosition(unit, body);
                if (start < 0 || end > blanked.length || end <= start)
                    return null;
                if (at > start && at < end)
                    return super.visitMethod(method, unused);
                // Inside the braces, all but line ends become spaces.
                for (int i = (int) start + 1; i < end - 1; ++i) {
                    if (blanked[i] != '\n' && blanked[i] != '\r')
                        blanked[i] = ' ';
                }
                return null;
            }
        }.scan(unit, null);
        return new String(blanked);
    }

    private static TreePath findHole(CompilationUnitTree unit) {
        TreePath[] found = new TreePath[1];
        new TreePathScanner<Void, Void>() {
            @Override
            public Void visitIdentifier(IdentifierTree tree, Void unused) {
                if (found[0] == null && tree.getName().contentEquals(HOLE))
                    found[0] = getCurrentPath();
                return null;
            }

            @Override
            public Void visitMemberSelect(MemberSelectTree tree, Void unused) {
                if (found[0] == null && tree.getIdentifier().contentEquals(HOLE))
                    found[0] = getCurrentPath();
                return super.visitMemberSelect(tree, unused);
            }
        }.scan(unit, null);
        return found[0];
    }

    /** The names gathered for one request, each under its label. */
    private static final class Names {
        private final Trees trees;
        private final Elements elements;
        private final Types types;
        private final Scope scope;
        private final String prefix;
        private final Map<String, String[]> names;

        Names(JavacTask task, Trees trees, Scope scope, String prefix, Map<String, String[]> names) {
            this.trees = trees;
            this.elements = task.getElements();
            this.types = task.getTypes();
            this.scope = scope;
            this.prefix = prefix.toLowerCase(Locale.ROOT);
            this.names = names;
        }

        void members(TreePath expression) {
            Element element = trees.getElement(expression);
            TypeMirror type = trees.getTypeMirror(expression);
            if (element instanceof PackageElement) {
                for (Element member : element.getEnclosedElements())
                    add(member);
                return;
            }
            boolean typeName = element instanceof TypeElement
                    && expression.getLeaf() instanceof ExpressionTree
                    && isTypeName((ExpressionTree) expression.getLeaf());
            if (type == null)
                return;
            if (type.getKind() == TypeKind.TYPEVAR)
                type = ((TypeVariable) type).getUpperBound();
            if (type.getKind() == TypeKind.ARRAY) {
                // An array's clone() is public and gives the array's type.
                addName("length", "length : int", "length");
                addName("clone", "clone() : " + simple(type), "clone(");
                TypeElement object = elements.getTypeElement("java.lang.Object");
                for (Element member : elements.getAllMembers(object)) {
                    if (member.getKind() == ElementKind.METHOD && !isStatic(member)
                            && trees.isAccessible(scope, member, (DeclaredType) object.asType()))
                        add(member);
                }
                return;
            }
            if (type.getKind() != TypeKind.DECLARED)
                return;
            DeclaredType declared = (DeclaredType) type;
            TypeElement owner = (TypeElement) declared.asElement();
            for (Element member : elements.getAllMembers(owner)) {
                ElementKind kind = member.getKind();
                if (kind == ElementKind.CONSTRUCTOR || kind == ElementKind.STATIC_INIT
                        || kind == ElementKind.INSTANCE_INIT)
                    continue;
                if (typeName && !isStatic(member) && !(member instanceof TypeElement))
                    continue;
                if (trees.isAccessible(scope, member, declared))
                    add(member);
            }
        }

        void inScope(CompilationUnitTree unit) {
            for (Scope each = scope; each != null; each = each.getEnclosingScope()) {
                for (Element element : each.getLocalElements())
                    add(element);
            }
            for (TypeElement type = scope.getEnclosingClass(); type != null; type = outer(type)) {
                for (Element member : elements.getAllMembers(type)) {
                    ElementKind kind = member.getKind();
                    if (kind != ElementKind.CONSTRUCTOR && kind != ElementKind.STATIC_INIT
                            && kind != ElementKind.INSTANCE_INIT
                            && trees.isAccessible(scope, member, (DeclaredType) type.asType()))
                        add(member);
                }
            }
            addTypesOf(elements.getPackageElement("java.lang"));
            addTypesOf(unit.getPackageName() == null ? elements.getPackageElement("")
                    : elements.getPackageElement(unit.getPackageName().toString()));
            for (ImportTree imported : unit.getImports()) {
                if (imported.isStatic())
                    continue;
                String name = imported.getQualifiedIdentifier().toString();
                if (name.endsWith(".*")) {
                    addTypesOf(elements.getPackageElement(name.substring(0, name.length() - 2)));
                } else {
                    TypeElement type = elements.getTypeElement(name);
                    if (type != null)
                        add(type);
                }
            }
            for (String keyword : KEYWORDS)
                addName(keyword, keyword, keyword);
        }

        private static boolean isTypeName(ExpressionTree tree) {
            return tree instanceof IdentifierTree || tree instanceof MemberSelectTree;
        }

        private static boolean isStatic(Element element) {
            return element.getModifiers().contains(Modifier.STATIC);
        }

        private static TypeElement outer(TypeElement type) {
            Element enclosing = type.getEnclosingElement();
            return enclosing instanceof TypeElement ? (TypeElement) enclosing : null;
        }

        private void addTypesOf(PackageElement pkg) {
            if (pkg == null)
                return;
            for (Element type : pkg.getEnclosedElements()) {
                if (type.getModifiers().contains(Modifier.PUBLIC) || pkg.isUnnamed()
                        || type.getModifiers().isEmpty())
                    add(type);
            }
        }

        private void add(Element element) {
            String name = element.getSimpleName().toString();
            if (name.isEmpty() || name.equals(HOLE) || name.equals("<init>")
                    || name.equals("<clinit>"))
                return;
            if (element instanceof ExecutableElement) {
                ExecutableElement method = (ExecutableElement) element;
                StringBuilder label = new StringBuilder(name).append('(');
                for (VariableElement parameter : method.getParameters()) {
                    if (label.charAt(label.length() - 1) != '(')
                        label.append(", ");
                    label.append(simple(parameter.asType()));
                }
                label.append(") : ").append(simple(method.getReturnType()));
                addName(name, label.toString(), name + "(");
            } else if (element instanceof VariableElement) {
                addName(name, name + " : " + simple(element.asType()), name);
            } else if (element instanceof TypeElement) {
                addName(name, name, name);
            }
        }

        private void addName(String name, String label, String insertion) {
            if (names.size() < 4 * MAX_NAMES && name.toLowerCase(Locale.ROOT).startsWith(prefix))
                names.putIfAbsent(label, new String[] {name, label, insertion});
        }

        // "java.util.List<java.lang.String>" shown as "List<String>".
        private static String simple(TypeMirror type) {
            return type.toString().replaceAll("\\b(?:[a-z_$][\\w$]*\\.)+(?=[A-Za-z_$])", "");
        }
    }
}
