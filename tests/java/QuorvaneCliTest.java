import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import java.io.ByteArrayOutputStream;
import java.io.File;
import java.io.IOException;
import java.io.InputStream;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.CompletableFuture;
import java.util.concurrent.TimeUnit;
import java.util.stream.Stream;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.api.io.TempDir;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.ValueSource;

/** quorvane.jar as a user runs it: java -jar in a plain folder, no java.library.path. */
class QuorvaneCliTest {
    @TempDir Path home;

    record Run(int exit, String out, String err) {}

    private Run cli(String... args) throws IOException, InterruptedException {
        return finish(start(args));
    }

    private Process start(String... args) throws IOException {
        Path tmp = home.resolve("tmp");
        Files.createDirectories(tmp);
        List<String> command = new ArrayList<>(List.of(
            Path.of(System.getProperty("java.home"), "bin", "java").toString(), "-Xcheck:jni",
            "-Djava.io.tmpdir=" + tmp, "-jar", System.getProperty("quorvane.jar")));
        command.addAll(List.of(args));
        ProcessBuilder builder = new ProcessBuilder(command).directory(home.toFile());
        builder.environment().put("XDG_DATA_HOME", home.resolve("data").toString());
        builder.environment().put("QV_CLI_HOME", "/home/qv");
        return builder.start();
    }

    private static Run finish(Process process) throws IOException, InterruptedException {
        CompletableFuture<String> err = CompletableFuture.supplyAsync(() -> read(process.getErrorStream()));
        String out = read(process.getInputStream());
        assertTrue(process.waitFor(60, TimeUnit.SECONDS));
        return new Run(process.exitValue(), out, err.join());
    }

    private static String read(InputStream stream) {
        try {
            ByteArrayOutputStream bytes = new ByteArrayOutputStream();
            stream.transferTo(bytes);
            return bytes.toString(StandardCharsets.UTF_8);
        } catch (IOException e) {
            throw new RuntimeException(e);
        }
    }

    private static final String QWORD = "Java_Quorvane_RegSetKeyRegQwordValue: ";
    private static final String EXPAND = "Java_Quorvane_RegSetKeyRegExpandStrValue: ";
    private static final String GET = "Java_Quorvane_RegGetKeyRegStrValue: ";

    @Test
    void commandsWriteAndReadAcrossProcesses() throws Exception {
        Run qword = cli("set-qword", "HKEY_CURRENT_USER", "Software\\Acme", "Answer", "-42");
        assertEquals(new Run(0, QWORD + "Key=HKEY_CURRENT_USER, \nSubkey=Software\\Acme, \nvalue=Answer, \ndataQword=-42\n"
                + QWORD + " RegSetKeyValuesuccess.\n", ""), qword);
        Run expand = cli("set-expand", "HKEY_CURRENT_USER", "Software\\Acme", "Home", "%QV_CLI_HOME%\\acme");
        assertEquals(new Run(0, EXPAND + "Key=HKEY_CURRENT_USER, \nSubkey=Software\\Acme, \nvalue=Home, \n"
                + "dataExpandStr=%QV_CLI_HOME%\\acme\n" + EXPAND + "RegSetKeyValue success.\n", ""), expand);
        // Through a pipe the C runtime holds the library's lines until the JVM exits, so the
        // text that get prints comes first.
        Run get = cli("get", "HKEY_CURRENT_USER", "software\\acme", "HOME");
        assertEquals(new Run(0, "/home/qv\\acme\n" + GET + "Key=HKEY_CURRENT_USER, \nSubkey=software\\acme, \nvalue=HOME\n"
                + GET + "RegGetValue success. dataStr = /home/qv\\acme\n", ""), get);
    }

    @Test
    void failedCallsExitWith1() throws Exception {
        Run missing = cli("get", "HKEY_CURRENT_USER", "Software\\Acme", "Missing");
        assertEquals(1, missing.exit());
        assertTrue(missing.out().endsWith(GET + "ERROR!! dwErr=2, msgBuffer=The system cannot find the file specified.\r\n\n"), missing.out());
        Run root = cli("set-qword", "HKLM", "Software\\Acme", "Answer", "1");
        assertEquals(new Run(1, QWORD + "ERROR!! No such a Key.\n", ""), root);
    }

    @ParameterizedTest
    @ValueSource(strings = {"", "frobnicate", "get|HKEY_CURRENT_USER|a", "set-expand|HKEY_CURRENT_USER|a|b",
        "set-qword|HKEY_CURRENT_USER|a|b|1x", "set-qword|HKEY_CURRENT_USER|a|b|9223372036854775808", "help|me"})
    void usageErrorsExitWith2AndTouchNothing(String joined) throws Exception {
        Run run = cli(joined.isEmpty() ? new String[0] : joined.split("\\|"));
        assertEquals(2, run.exit());
        assertEquals("", run.out());
        assertTrue(run.err().startsWith("quorvane: ") && run.err().contains("usage: java -jar quorvane.jar"), run.err());
        assertTrue(Files.notExists(home.resolve("data")));
    }

    @Test
    void anUnsupportedPlatformIsNamedWithTheSupportedOnes() throws Exception {
        Process process = new ProcessBuilder(Path.of(System.getProperty("java.home"), "bin", "java").toString(),
            "-Dos.name=Plan9", "-jar", System.getProperty("quorvane.jar"), "help").directory(home.toFile()).start();
        Run run = finish(process);
        assertEquals(0, run.exit(), "help needs no native library");
        process = new ProcessBuilder(Path.of(System.getProperty("java.home"), "bin", "java").toString(),
            "-Dos.name=Plan9", "-jar", System.getProperty("quorvane.jar"), "get", "HKEY_CURRENT_USER", "a", "b")
            .directory(home.toFile()).start();
        run = finish(process);
        assertEquals(1, run.exit());
        assertTrue(run.err().contains("UnsatisfiedLinkError: Quorvane has no native library for plan9-x86_64 "
            + "(supported: linux-x86_64, windows-x86_64)"), run.err());
    }

    @Test
    void helpPrintsTheUsage() throws Exception {
        Run help = cli("help");
        assertEquals(0, help.exit());
        assertTrue(help.out().startsWith("usage: java -jar quorvane.jar COMMAND ARGUMENTS"));
    }

    @Test
    void jvmsUnpackingTheLibraryAtOnceDoNotMeetAndLeaveNothingBehind() throws Exception {
        List<Process> processes = new ArrayList<>();
        for (int i = 0; i < 4; i++) processes.add(start("set-qword", "HKEY_CURRENT_USER", "Software\\Acme", "n" + i, "" + i));
        for (Process process : processes) assertEquals(0, finish(process).exit());
        try (Stream<Path> left = Files.list(home.resolve("tmp"))) {
            assertEquals(List.of(), left.map(Path::toString).filter(name -> name.contains("quorvane")).toList());
        }
    }
}
