import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.TreeMap;
import java.util.concurrent.TimeUnit;
import java.util.regex.Pattern;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;

/**
 * Many threads, long runs and two JVMs at once, each in a JVM of its own with -Xcheck:jni.
 * Counts come from quorvane.stress.calls (per thread) and quorvane.leak.calls.
 */
class QuorvaneStressTest {
    @TempDir Path dir;

    private static final String QWORD = "Java_Quorvane_RegSetKeyRegQwordValue: ";
    private static final String EXPAND = "Java_Quorvane_RegSetKeyRegExpandStrValue: ";
    private static final String GET = "Java_Quorvane_RegGetKeyRegStrValue: ";
    private static final Pattern PREFIX = Pattern.compile("(" + Pattern.quote(QWORD) + "|" + Pattern.quote(EXPAND) + "|" + Pattern.quote(GET) + ")");

    private Process start(Path out, String... args) throws IOException {
        return start(out, List.of(), args);
    }

    private Process start(Path out, List<String> jvmOptions, String... args) throws IOException {
        List<String> command = new ArrayList<>(List.of(
            Path.of(System.getProperty("java.home"), "bin", "java").toString(), "-Xcheck:jni", "-Xms64m", "-Xmx64m"));
        command.addAll(jvmOptions);
        command.addAll(List.of("-Djava.library.path=" + System.getProperty("java.library.path"),
            "-cp", System.getProperty("quorvane.test.classpath"), "QuorvaneStress"));
        command.addAll(List.of(args));
        return new ProcessBuilder(command).redirectOutput(out.toFile()).redirectError(ProcessBuilder.Redirect.INHERIT).start();
    }

    private static void finish(Process process) throws InterruptedException {
        assertTrue(process.waitFor(30, TimeUnit.MINUTES));
        assertEquals(0, process.exitValue(), "the workload found a problem (see its stderr)");
    }

    @Test
    void threadsSeeWholeLinesAndTheirOwnWrites() throws Exception {
        Path out = dir.resolve("out.txt");
        finish(start(out, "threads", "8", Integer.getInteger("quorvane.stress.calls", 2000).toString()));
        // Split at line feeds only: a message text's own "\r\n" must stay visible.
        String text = Files.readString(out, StandardCharsets.ISO_8859_1);
        TreeMap<String, Integer> kinds = parse(List.of(text.split("\n", -1)).subList(0, text.split("\n", -1).length - 1));
        assertTrue(kinds.getOrDefault("success", 0) > 0, kinds.toString());
        System.err.println("stress lines by kind: " + kinds);
    }

    /**
     * Checks that every line belongs to the catalogue and that every trace block is whole (its
     * lines one after the other, never split by another thread's line); counts the lines by kind.
     */
    static TreeMap<String, Integer> parse(List<String> lines) {
        TreeMap<String, Integer> kinds = new TreeMap<>();
        for (int i = 0; i < lines.size(); i++) {
            String line = lines.get(i);
            var prefix = PREFIX.matcher(line);
            assertTrue(prefix.lookingAt(), "line " + (i + 1) + " is not the library's: " + line);
            String method = prefix.group(1);
            String body = line.substring(method.length());
            String kind;
            if (body.startsWith("Key=")) {
                kind = "trace";
                List<String> rest = method.equals(GET) ? List.of("Subkey=", "value=") : List.of("Subkey=", "value=", method.equals(QWORD) ? "dataQword=" : "dataExpandStr=");
                for (String label : rest) {
                    i++;
                    assertTrue(i < lines.size() && lines.get(i).startsWith(label), "trace block torn at line " + (i + 1));
                }
                if (method.equals(QWORD)) assertTrue(lines.get(i).matches("dataQword=-?\\d+"), lines.get(i));
            } else if (body.startsWith("ERROR!! dwErr=")) {
                kind = "error";
                assertTrue(body.matches("ERROR!! dwErr=-?\\d+, msgBuffer=.*\r"), line);
                i++;
                assertEquals("", lines.get(i), "the message text's own line end is followed by the format's");
            } else if (body.equals("ERROR!! No such a Key.")) {
                kind = "no such key";
            } else if (line.equals(QWORD + " RegSetKeyValuesuccess.") || line.equals(EXPAND + "RegSetKeyValue success.")
                    || (method.equals(GET) && body.startsWith("RegGetValue success. dataStr = "))) {
                kind = "success";
            } else if (method.equals(GET) && body.matches("need to malloc a larger data \\d+")) {
                kind = "larger";
            } else {
                throw new AssertionError("line " + (i + 1) + " is not in the catalogue: " + line);
            }
            kinds.merge(kind, 1, Integer::sum);
        }
        return kinds;
    }

    @Test
    void repeatedCallsDoNotGrowResidentMemory() throws Exception {
        // Interpreted, with the heap touched up front: what grows then is native memory, not the
        // JIT compiler's code and arenas or the heap's first use.
        finish(start(Path.of("/dev/null"), List.of("-Xint", "-XX:+AlwaysPreTouch"),
            "leak", Integer.getInteger("quorvane.leak.calls", 30000).toString()));
    }

    @Test
    void twoJvmsWritingOneStoreLoseNothing() throws Exception {
        Process a = start(dir.resolve("a.txt"), "writer", "A" + System.nanoTime(), "500");
        Process b = start(dir.resolve("b.txt"), "writer", "B" + System.nanoTime(), "500");
        finish(a);
        finish(b);
    }
}
