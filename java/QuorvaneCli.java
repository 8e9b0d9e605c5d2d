import java.io.PrintStream;

/**
 * The command line of quorvane.jar: one registry call per run, with the library's own
 * diagnostic lines. Exit codes: 0 success, 1 the call failed, 2 a usage error.
 */
public final class QuorvaneCli {
    private static final String USAGE = String.join(System.lineSeparator(),
            "usage: java -jar quorvane.jar COMMAND ARGUMENTS",
            "  set-qword  ROOT SUBKEY NAME NUMBER   store NUMBER (a 64-bit integer) as a REG_QWORD",
            "  set-expand ROOT SUBKEY NAME TEXT     store TEXT as a REG_EXPAND_SZ, unexpanded",
            "  get        ROOT SUBKEY NAME          read a value and print it as text",
            "  help                                 show this text",
            "ROOT is HKEY_CLASSES_ROOT, HKEY_CURRENT_CONFIG, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE or HKEY_USERS.",
            "Example: java -jar quorvane.jar get HKEY_CURRENT_USER \"Software\\Acme\" Home");

    private QuorvaneCli() {}

    public static void main(String[] args) {
        System.exit(run(args));
    }

    static int run(String[] args) {
        String command = args.length > 0 ? args[0] : "";
        switch (command) {
            case "help":
                if (args.length != 1) return usage("help takes no arguments");
                System.out.println(USAGE);
                return 0;
            case "set-qword": {
                if (args.length != 5) return usage("set-qword takes ROOT SUBKEY NAME NUMBER");
                long number;
                try {
                    number = Long.parseLong(args[4]);
                } catch (NumberFormatException e) {
                    return usage("not a 64-bit integer: " + args[4]);
                }
                return Quorvane.RegSetKeyRegQwordValue(args[1], args[2], args[3], number) == 0 ? 0 : 1;
            }
            case "set-expand":
                if (args.length != 5) return usage("set-expand takes ROOT SUBKEY NAME TEXT");
                return Quorvane.RegSetKeyRegExpandStrValue(args[1], args[2], args[3], args[4]) == 0 ? 0 : 1;
            case "get": {
                if (args.length != 4) return usage("get takes ROOT SUBKEY NAME");
                String text = Quorvane.RegGetKeyRegStrValue(args[1], args[2], args[3]);
                if (text == null) return 1;
                System.out.println(text);
                return 0;
            }
            default:
                return usage(command.isEmpty() ? "no command given" : "unknown command: " + command);
        }
    }

    private static int usage(String problem) {
        PrintStream err = System.err;
        err.println("quorvane: " + problem);
        err.println(USAGE);
        return 2;
    }
}
