import java.util.ArrayList;
import java.util.List;
import java.util.concurrent.atomic.LongAdder;
import java.util.prefs.BackingStoreException;
import java.util.prefs.Preferences;

/**
 * The three methods from 1 and 8 threads, next to java.util.prefs (putLong + flush, get) in the
 * same run. Run with the library's stdout sent where production would send it (a file); the
 * table goes to stderr. Warm-up first, then a timed loop of fixed length per case.
 */
public final class QuorvaneBench {
    interface Call {
        void run(int thread, int n) throws Exception;
    }

    private static final String ROOT = "HKEY_CURRENT_USER";
    private static final String KEY = "Software\\QuorvaneBench\\Java";

    public static void main(String[] args) throws Exception {
        double seconds = args.length > 0 ? Double.parseDouble(args[0]) : 2.0;
        Preferences prefs = Preferences.userRoot().node("quorvane-bench");
        Quorvane.RegSetKeyRegExpandStrValue(ROOT, KEY, "text", "%HOME%\\bench");
        prefs.put("text", "bench");
        prefs.flush();
        System.err.println("| operation | threads | ops/s | ours/prefs |");
        System.err.println("|---|---|---|---|");
        for (int threads : new int[] {1, 8}) {
            double setOurs = measure(threads, seconds, (t, n) -> Quorvane.RegSetKeyRegQwordValue(ROOT, KEY + t, "q", n));
            double setPrefs = measure(threads, seconds, (t, n) -> {
                prefs.putLong("q" + t, n);
                prefs.flush();
            });
            double expand = measure(threads, seconds, (t, n) -> Quorvane.RegSetKeyRegExpandStrValue(ROOT, KEY + t, "e", "%HOME%-" + n));
            double getOurs = measure(threads, seconds, (t, n) -> Quorvane.RegGetKeyRegStrValue(ROOT, KEY, "text"));
            double getPrefs = measure(threads, seconds, (t, n) -> prefs.get("text", null));
            row("RegSetKeyRegQwordValue vs putLong+flush", threads, setOurs, setPrefs);
            row("Preferences putLong+flush", threads, setPrefs, Double.NaN);
            row("RegSetKeyRegExpandStrValue", threads, expand, Double.NaN);
            row("RegGetKeyRegStrValue vs get", threads, getOurs, getPrefs);
            row("Preferences get (cached in memory)", threads, getPrefs, Double.NaN);
        }
        prefs.removeNode();
    }

    private static void row(String name, int threads, double ops, double prefs) {
        System.err.printf("| %s | %d | %.0f | %s |%n", name, threads, ops, Double.isNaN(prefs) ? "" : String.format(ops / prefs < 0.1 ? "%.4f" : "%.2f", ops / prefs));
    }

    /** Operations per second over `seconds`, after a warm-up of a quarter of that. */
    private static double measure(int threads, double seconds, Call call) throws Exception {
        run(threads, seconds / 4, call);
        return run(threads, seconds, call);
    }

    private static double run(int threads, double seconds, Call call) throws Exception {
        LongAdder done = new LongAdder();
        long end = System.nanoTime() + (long) (seconds * 1e9);
        List<Thread> workers = new ArrayList<>();
        long start = System.nanoTime();
        for (int t = 0; t < threads; t++) {
            final int thread = t;
            workers.add(new Thread(() -> {
                try {
                    for (int n = 0; System.nanoTime() < end; n++) {
                        call.run(thread, n);
                        done.increment();
                    }
                } catch (Exception e) {
                    throw new RuntimeException(e);
                }
            }));
        }
        workers.forEach(Thread::start);
        for (Thread worker : workers) worker.join();
        return done.sum() / ((System.nanoTime() - start) / 1e9);
    }
}
