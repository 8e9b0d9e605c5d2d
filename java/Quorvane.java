/**
 * Windows registry access through the native library "Quorvane".
 *
 * <p>Every method prints its own diagnostic lines to the process's standard output.
 */
public class Quorvane {
    static {
        System.loadLibrary("Quorvane");
    }

    /** Stores {@code data} as a REG_QWORD; returns 0 on success, -1 on failure. */
    public static native int RegSetKeyRegQwordValue(String key, String subkey, String value, long data);

    /** Stores {@code data} as a REG_EXPAND_SZ, unexpanded; returns 0 on success, -1 on failure. */
    public static native int RegSetKeyRegExpandStrValue(String key, String subkey, String value, String data);

    /** Reads a value of any type as text decoded from "GB2312"; returns null on failure. */
    public static native String RegGetKeyRegStrValue(String key, String subkey, String value);
}
