import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertNull;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.nio.charset.StandardCharsets;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.TimeUnit;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.CsvSource;

/** The Java binding: Quorvane loads by name, its methods bind, and they behave as documented. */
class QuorvaneTest {
    private static final String RUN = "Software\\QuorvaneJUnit\\" + ProcessHandle.current().pid() + "_" + System.nanoTime();

    @Test
    void aQwordWrittenIsThereAfterwards() {
        assertEquals(0, Quorvane.RegSetKeyRegQwordValue("HKEY_CURRENT_USER", RUN, "Answer", 42L));
        // Its eight bytes read as text: 42 is '*', and the zero bytes end the text.
        assertEquals("*", Quorvane.RegGetKeyRegStrValue("hkey_current_user".toUpperCase(), RUN.toLowerCase(), "ANSWER"));
    }

    @Test
    void anExpandableStringReadsBackExpanded() {
        assertEquals(0, Quorvane.RegSetKeyRegExpandStrValue("HKEY_CURRENT_USER", RUN, "Home", "%QV_JUNIT_HOME%\\acme"));
        assertEquals(System.getenv("QV_JUNIT_HOME") + "\\acme", Quorvane.RegGetKeyRegStrValue("HKEY_CURRENT_USER", RUN, "Home"));
    }

    @ParameterizedTest
    @CsvSource(nullValues = "null", value = {
        "null, sub, name, data", "HKLM, sub, name, data", "HKEY_CURRENT_USER, null, name, data",
        "HKEY_CURRENT_USER, sub, null, data", "HKEY_CURRENT_USER, sub, name, null"})
    void failuresAreResultsNotExceptions(String key, String subkey, String value, String data) {
        if (data != null) {
            assertEquals(-1, Quorvane.RegSetKeyRegQwordValue(key, subkey, value, 1L));
            assertNull(Quorvane.RegGetKeyRegStrValue(key, subkey, value));
        }
        assertEquals(-1, Quorvane.RegSetKeyRegExpandStrValue(key, subkey, value, data));
    }

    @Test
    void aChildJvmPrintsExactlyTheLinesAndNoJniWarning() throws Exception {
        String out = runChild(RUN, "-7");
        assertFalse(out.contains("WARNING"), out);
        String qword = "Java_Quorvane_RegSetKeyRegQwordValue: ";
        String get = "Java_Quorvane_RegGetKeyRegStrValue: ";
        assertEquals(qword + "Key=HKEY_CURRENT_USER, \nSubkey=" + RUN + ", \nvalue=Child, \ndataQword=-7\n"
                + qword + " RegSetKeyValuesuccess.\n"
                + get + "Key=HKEY_CURRENT_USER, \nSubkey=" + RUN + ", \nvalue=Missing\n"
                + get + "ERROR!! dwErr=2, msgBuffer=The system cannot find the file specified.\r\n\n"
                + get + "ERROR!! No such a Key.\n", out);
    }

    /** Runs {@link Child} in a JVM of its own with -Xcheck:jni; returns what it printed to stdout. */
    private static String runChild(String... args) throws IOException, InterruptedException {
        List<String> command = new ArrayList<>(List.of(
            System.getProperty("java.home") + File.separator + "bin" + File.separator + "java", "-Xcheck:jni",
            "-Djava.library.path=" + System.getProperty("java.library.path"),
            "-cp", System.getProperty("quorvane.test.classpath"), Child.class.getName()));
        command.addAll(List.of(args));
        Process child = new ProcessBuilder(command).redirectError(ProcessBuilder.Redirect.INHERIT).start();
        ByteArrayOutputStream out = new ByteArrayOutputStream();
        child.getInputStream().transferTo(out);
        child.waitFor(60, TimeUnit.SECONDS);
        assertEquals(0, child.exitValue());
        return out.toString(StandardCharsets.UTF_8);
    }

    /** A write, a failed read and an unknown root, and nothing else on stdout. */
    static class Child {
        public static void main(String[] args) {
            boolean ok = Quorvane.RegSetKeyRegQwordValue("HKEY_CURRENT_USER", args[0], "Child", Long.parseLong(args[1])) == 0
                && Quorvane.RegGetKeyRegStrValue("HKEY_CURRENT_USER", args[0], "Missing") == null
                && Quorvane.RegGetKeyRegStrValue("HKEY_CLASSES", args[0], "Child") == null;
            System.exit(ok ? 0 : 1);
        }
    }
}
