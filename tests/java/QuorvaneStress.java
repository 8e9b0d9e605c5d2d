import java.io.IOException;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.ArrayList;
import java.util.HashMap;
import java.util.List;
import java.util.Map;
import java.util.concurrent.atomic.AtomicLong;

/**
 * Workloads run in a JVM of their own (stdout is the library's alone; findings go to stderr):
 *   threads N CALLS   N threads of mixed calls on values of their own and shared ones; every
 *                     result checked, every value read back at the end as last written
 *   leak CALLS        one thread, all three methods; resident memory after warm-up and at the end
 *   writer NAME N     N writes under Software\QuorvaneStress\NAME, then all read back
 * Exits 0 when everything held.
 */
public final class QuorvaneStress {
    private static final String ROOT = "HKEY_CURRENT_USER";
    private static final String BASE = "Software\\QuorvaneStress\\";

    public static void main(String[] args) throws Exception {
        boolean ok = switch (args[0]) {
            case "threads" -> threads(Integer.parseInt(args[1]), Integer.parseInt(args[2]));
            case "leak" -> leak(Integer.parseInt(args[1]));
            case "writer" -> writer(args[1], Integer.parseInt(args[2]));
            default -> false;
        };
        System.exit(ok ? 0 : 1);
    }

    /** Counts of the calls made, by outcome, so the parent can match them with the lines. */
    static final AtomicLong writes = new AtomicLong();
    static final AtomicLong reads = new AtomicLong();
    static final AtomicLong misses = new AtomicLong();
    static final AtomicLong unknownRoots = new AtomicLong();

    private static boolean threads(int count, int calls) throws InterruptedException {
        String run = BASE + ProcessHandle.current().pid();
        List<Thread> threads = new ArrayList<>();
        List<String> problems = java.util.Collections.synchronizedList(new ArrayList<>());
        for (int t = 0; t < count; t++) {
            final int id = t;
            threads.add(new Thread(() -> {
                String own = run + "\\T" + id;
                Map<String, String> mine = new HashMap<>();
                for (int n = 0; n < calls; n++) {
                    String name = "v" + (n % 32);
                    switch (n % 8) {
                        case 0, 1 -> {
                            String text = "t" + id + "-" + n;
                            check(problems, Quorvane.RegSetKeyRegExpandStrValue(ROOT, own, name, text) == 0, "own write");
                            mine.put(name, text);
                            writes.incrementAndGet();
                        }
                        case 2 -> {
                            // One printable byte, then zero bytes: it reads back as that character.
                            long data = 33 + n % 90;
                            check(problems, Quorvane.RegSetKeyRegQwordValue(ROOT, own, "q" + name, data) == 0, "qword write");
                            mine.put("q" + name, Character.toString((int) data));
                            writes.incrementAndGet();
                        }
                        case 3, 4 -> {
                            String written = "v" + ((n - n % 8) % 32);  // this round's first write
                            String expected = mine.get(written);
                            String read = Quorvane.RegGetKeyRegStrValue(ROOT, own, written);
                            if (expected == null) {
                                check(problems, read == null, "read of a value never written");
                                misses.incrementAndGet();
                            } else {
                                check(problems, expected.equals(read), "own read " + written + ": " + read + " != " + expected);
                                reads.incrementAndGet();
                            }
                        }
                        case 5 -> {
                            check(problems, Quorvane.RegSetKeyRegExpandStrValue(ROOT, run + "\\Shared", "s" + (n / 8 % 4), "t" + id + "-" + n) == 0, "shared write");
                            writes.incrementAndGet();
                        }
                        case 6 -> {
                            String read = Quorvane.RegGetKeyRegStrValue(ROOT, run + "\\Shared", "s" + (n / 8 % 4));
                            if (read == null) {
                                misses.incrementAndGet();
                            } else {
                                check(problems, read.matches("t\\d+-\\d+"), "shared read torn: " + read);
                                reads.incrementAndGet();
                            }
                        }
                        default -> {
                            check(problems, Quorvane.RegSetKeyRegQwordValue("HKEY_CURRENT_USER ", own, name, n) == -1, "unknown root");
                            unknownRoots.incrementAndGet();
                        }
                    }
                }
                for (Map.Entry<String, String> value : mine.entrySet()) {
                    String read = Quorvane.RegGetKeyRegStrValue(ROOT, own, value.getKey());
                    check(problems, value.getValue().equals(read), "final read " + value.getKey());
                    reads.incrementAndGet();
                }
            }));
        }
        long start = System.nanoTime();
        threads.forEach(Thread::start);
        for (Thread thread : threads) thread.join();
        double seconds = (System.nanoTime() - start) / 1e9;
        System.err.printf("threads=%d calls=%d seconds=%.1f writes=%d reads=%d misses=%d unknownRoots=%d problems=%d%n",
                count, (long) count * calls, seconds, writes.get(), reads.get(), misses.get(), unknownRoots.get(), problems.size());
        problems.stream().limit(10).forEach(System.err::println);
        return problems.isEmpty();
    }

    private static void check(List<String> problems, boolean held, String what) {
        if (!held) problems.add(what);
    }

    private static boolean leak(int calls) throws IOException {
        String key = BASE + "Leak";
        int warmUp = Math.max(calls / 10, 1);
        long warm = 0;
        for (int n = 0; n < calls; n++) {
            if (n == warmUp) {
                System.gc();
                warm = residentKib();
            }
            boolean ok = switch (n % 3) {
                case 0 -> Quorvane.RegSetKeyRegQwordValue(ROOT, key, "q" + (n % 100), n) == 0;
                case 1 -> Quorvane.RegSetKeyRegExpandStrValue(ROOT, key, "e" + (n % 100), "%HOME%-" + n) == 0;
                default -> Quorvane.RegGetKeyRegStrValue(ROOT, key, "e" + (n % 100)) != null || n < 100;
            };
            if (!ok) {
                System.err.println("call " + n + " failed");
                return false;
            }
        }
        System.gc();
        long end = residentKib();
        System.err.printf("calls=%d resident_after_warmup_kib=%d resident_at_end_kib=%d growth_kib=%d%n", calls, warm, end, end - warm);
        return end - warm < 1024;
    }

    private static long residentKib() throws IOException {
        for (String line : Files.readAllLines(Path.of("/proc/self/status"))) {
            if (line.startsWith("VmRSS:")) return Long.parseLong(line.replaceAll("\\D", ""));
        }
        return -1;
    }

    private static boolean writer(String name, int count) {
        String key = BASE + "Writers\\" + name;
        for (int n = 0; n < count; n++) {
            if (Quorvane.RegSetKeyRegQwordValue(ROOT, key, "n" + n, 'A' + n % 26) != 0) return false;
        }
        for (int n = 0; n < count; n++) {
            if (!Character.toString('A' + n % 26).equals(Quorvane.RegGetKeyRegStrValue(ROOT, key, "n" + n))) return false;
        }
        return true;
    }
}
