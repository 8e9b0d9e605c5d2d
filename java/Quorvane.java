import java.io.IOException;
import java.io.InputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.Locale;

/**
 * Windows registry access through the native library "Quorvane".
 *
 * <p>Every method prints its own diagnostic lines to the process's standard output. The library
 * is looked up on {@code java.library.path} first; failing that, the copy for this platform that
 * quorvane.jar carries is used.
 */
public class Quorvane {
    static {
        try {
            System.loadLibrary("Quorvane");
        } catch (UnsatisfiedLinkError notInstalled) {
            loadBundled();
        }
    }

    /** Stores {@code data} as a REG_QWORD; returns 0 on success, -1 on failure. */
    public static native int RegSetKeyRegQwordValue(String key, String subkey, String value, long data);

    /** Stores {@code data} as a REG_EXPAND_SZ, unexpanded; returns 0 on success, -1 on failure. */
    public static native int RegSetKeyRegExpandStrValue(String key, String subkey, String value, String data);

    /** Reads a value of any type as text decoded from "GB2312"; returns null on failure. */
    public static native String RegGetKeyRegStrValue(String key, String subkey, String value);

    private static final String SUPPORTED = "linux-x86_64, windows-x86_64";

    /** Loads the bundled library from a private copy (the JVM can only load files). */
    private static void loadBundled() {
        String os = System.getProperty("os.name").toLowerCase(Locale.ROOT);
        String arch = System.getProperty("os.arch").toLowerCase(Locale.ROOT);
        String system = os.startsWith("windows") ? "windows" : os.startsWith("linux") ? "linux" : os;
        String platform = system + "-" + (arch.equals("amd64") ? "x86_64" : arch);
        String file = system.equals("windows") ? "Quorvane.dll" : "libQuorvane.so";
        try (InputStream bundled = Quorvane.class.getResourceAsStream("/" + platform + "/" + file)) {
            if (bundled == null) {
                throw new UnsatisfiedLinkError("Quorvane has no native library for " + platform
                        + " (supported: " + SUPPORTED + ")");
            }
            // A directory of its own (owner-only where the OS has permissions), so concurrent
            // JVMs never share or overwrite a copy.
            Path directory = Files.createTempDirectory("quorvane-");
            Path library = directory.resolve(file);
            Files.copy(bundled, library);
            System.load(library.toString());
            // Linux lets a loaded library go at once; Windows holds it until the JVM exits.
            if (!library.toFile().delete() || !directory.toFile().delete()) {
                directory.toFile().deleteOnExit();
                library.toFile().deleteOnExit();
            }
        } catch (IOException e) {
            UnsatisfiedLinkError error = new UnsatisfiedLinkError("Quorvane could not unpack its native library: " + e);
            error.initCause(e);
            throw error;
        }
    }
}
