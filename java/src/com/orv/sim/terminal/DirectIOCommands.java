package com.orv.sim.terminal;

import java.awt.Point;
import java.util.Collections;
import java.util.LinkedHashMap;
import java.util.Map;
import jpos.JposConst;
import jpos.JposException;

/**
 * The terminal's DirectIO command set: one row per Java command code with the object it takes
 * and what the terminal does. Every command is answered by a DirectIO event (status, the
 * command code, the answer text); the number prompt answers when the customer has typed.
 */
public final class DirectIOCommands {
    @FunctionalInterface
    public interface Handler {
        /** The answer, or null when it comes later. */
        Answer handle(Request r) throws JposException;
    }

    public record Command(int code, String name, Shape shape, Handler handler) {
    }

    private static final Map<Integer, Command> TABLE = new LinkedHashMap<>();

    private static void row(int code, String name, Shape shape, Handler handler) {
        TABLE.put(code, new Command(code, name, shape, handler));
    }

    static {
        // Graphic display.
        row(0x3280, "display text", Shape.list(Point.class, String.class), r -> {
            r.terminal().display().text(r.point(0).x, r.point(0).y, r.text(1));
            return Answer.ok();
        });
        row(0x3238, "set font", Shape.list(Integer.class), r -> {
            r.terminal().display().font(r.integer(0));
            return Answer.ok(r.terminal().display().fontName());
        });
        row(0x3240, "clear display", Shape.none(), r -> {
            r.terminal().display().clear();
            return Answer.ok();
        });
        row(0x32F1, "reset logo", Shape.none(), r -> {
            r.terminal().display().showLogo(false);
            return Answer.ok();
        });
        row(0x32F0, "display logo", Shape.none(), r -> {
            if (r.terminal().display().logoFile().isEmpty()) {
                return Answer.fail(Answer.NOT_FOUND, "No logo file set");
            }
            r.terminal().display().showLogo(true);
            return Answer.ok();
        });
        row(0x6050, "show number prompt", Shape.list(String.class, Integer.class, Integer.class), r -> {
            if (r.integer(1) < 0 || r.integer(2) < 0) {
                throw illegal("Number prompt positions must not be negative");
            }
            r.terminal().startPrompt(r.from(), r.text(0), r.integer(1), r.integer(2));
            return null;
        });
        row(0x3290, "display bitmap", Shape.list(String.class, Point.class), r -> {
            Terminal.requireFile(r.text(0));
            r.terminal().display().bitmap(r.point(1).x, r.point(1).y, r.text(0));
            return Answer.ok();
        });
        row(0x400001, "set logo file", Shape.list(String.class), r -> {
            Terminal.requireFile(r.text(0));
            r.terminal().display().logoFile(r.text(0));
            return Answer.ok();
        });
        row(0x3251, "display box", Shape.list(Point.class, Point.class), r -> {
            r.terminal().display().box(r.point(0).x, r.point(0).y, r.point(1).x, r.point(1).y);
            return Answer.ok();
        });

        // PIN security.
        row(0x400002, "set session key", Shape.single(String.class), r -> {
            if (!r.terminal().pinSecurity().storeSession(r.text(0))) {
                throw illegal("Session key must be 16, 32 or 48 hex digits");
            }
            return Answer.ok();
        });
        row(0x400003, "select master key", Shape.none(), r -> {
            if (!r.terminal().pinSecurity().hasMaster(r.data())) {
                return Answer.fail(Answer.NOT_FOUND, "No master key " + r.data());
            }
            r.terminal().pinSecurity().selectMaster(r.data());
            return Answer.ok(Integer.toString(r.data()));
        });

        // System.
        row(0x1000, "is device connected", Shape.none(), r -> Answer.flag(true));
        row(0x1001, "reset", Shape.none(), r -> {
            r.terminal().softReset();
            return Answer.ok();
        });
        row(0x1028, "get model", Shape.none(), r -> Answer.ok(r.terminal().fact(Terminal.Fact.MODEL)));
        row(0x1029, "get name", Shape.none(), r -> Answer.ok(r.terminal().fact(Terminal.Fact.NAME)));
        row(0x102A, "get version", Shape.none(), r -> Answer.ok(r.terminal().fact(Terminal.Fact.VERSION)));
        row(0x1050, "is error", Shape.none(), r -> Answer.flag(r.terminal().errorCode() != 0));
        row(0x1051, "get error", Shape.none(), r -> Answer.ok(r.terminal().errorCode() + ","
                + r.terminal().errorText()));
        row(0x1054, "set backlight", Shape.list(Byte[].class), r -> {
            byte[] b = Shape.bytes(r.args().get(0));
            if (b.length != 2) {
                throw illegal("Backlight setting takes 2 bytes, not " + b.length);
            }
            r.terminal().display().backlight(b[0] != 0);
            return Answer.ok(b[0] != 0 ? "1" : "0");
        });
        row(0x10F0, "reboot", Shape.none(), r -> {
            r.after().add(r.terminal()::reboot);
            return Answer.ok();
        });
        row(0x10FD, "download firmware", Shape.list(String.class), r ->
                Answer.ok(r.terminal().downloadFirmware(r.text(0))));
        row(0x2020, "get free memory", Shape.none(), r ->
                Answer.ok(Integer.toString(r.terminal().variables().freeMemory())));

        // Scripts.
        row(0x1401, "script reset", Shape.none(), r -> {
            r.terminal().scripts().reset();
            return Answer.ok();
        });
        row(0x1410, "is variable a script", Shape.list(String.class), r -> {
            Variables.Variable v = r.terminal().variables().byName(r.text(0));
            return v == null ? Answer.fail(Answer.NOT_FOUND, "No variable " + r.text(0))
                    : Answer.flag(v.type() == Variables.Type.SCRIPT);
        });
        row(0x1420, "is script loaded", Shape.none(), r -> Answer.flag(r.terminal().scriptLoaded()));
        row(0x1421, "is script running", Shape.none(), r -> Answer.flag(r.terminal().scripts().isRunning()));
        row(0x1422, "is script paused", Shape.none(), r -> Answer.flag(r.terminal().scripts().isPaused()));
        row(0x1430, "run script", Shape.list(String.class, String.class), r ->
                started(r, r.terminal().scripts().run(r.from(), r.text(0), r.text(1))));
        row(0x1490, "script goto label", Shape.list(String.class), r ->
                started(r, r.terminal().scripts().gotoLabel(r.text(0))));
        row(0x1491, "script goto variable", Shape.list(String.class), r -> {
            Variables.Variable v = r.terminal().variables().byName(r.text(0));
            if (v == null) {
                return Answer.fail(Answer.NOT_FOUND, "No variable " + r.text(0));
            }
            if (v.type() != Variables.Type.TEXT) {
                return Answer.fail(Answer.WRONG_TYPE, r.text(0) + " is not a text variable");
            }
            return started(r, r.terminal().scripts().gotoLabel(v.text()));
        });
        row(0x1443, "script stop", Shape.none(), r -> r.terminal().scripts().stop());
        row(0x1412, "download script", Shape.list(String.class, String.class), r ->
                r.terminal().downloadScript(r.text(0), r.text(1)));

        // Variables.
        row(0x2031, "delete variable by ID", Shape.single(Integer.class), r -> {
            Variables.Variable v = r.terminal().variables().byId(r.integer(0));
            if (v == null) {
                return Answer.fail(Answer.NOT_FOUND, "No variable with ID " + r.integer(0));
            }
            r.terminal().variables().remove(v);
            return Answer.ok(v.name());
        });
        row(0x2032, "find variable by ID", Shape.single(Integer.class), r -> {
            Variables.Variable v = r.terminal().variables().byId(r.integer(0));
            return v == null ? Answer.fail(Answer.NOT_FOUND, "No variable with ID " + r.integer(0))
                    : Answer.ok(v.name());
        });
        row(0x2062, "find variable by name", Shape.list(String.class), r -> {
            Variables.Variable v = r.terminal().variables().byName(r.text(0));
            return v == null ? Answer.fail(Answer.NOT_FOUND, "No variable " + r.text(0))
                    : Answer.ok(Integer.toString(v.id()));
        });
        row(0x2070, "set variable name", Shape.list(String.class, Byte[].class), r -> {
            byte[] b = Shape.bytes(r.args().get(1));
            checkName(r.text(0));
            if (b.length < 1 || b.length > 4) {
                throw illegal("Variable ID takes 1 to 4 bytes, not " + b.length);
            }
            int id = 0;
            for (int i = b.length - 1; i >= 0; i--) {
                id = id << 8 | b[i] & 0xFF;  // little-endian, as the terminal stores it
            }
            if (id <= 0) {
                throw illegal("Variable ID must be positive");
            }
            return r.terminal().variables().name(id, r.text(0));
        });
        row(0x2078, "get variable by name", Shape.list(String.class), r -> {
            Variables.Variable v = r.terminal().variables().byName(r.text(0));
            return v == null ? Answer.fail(Answer.NOT_FOUND, "No variable " + r.text(0))
                    : Answer.ok(v.text());
        });
        row(0x2810, "is text variable", Shape.list(String.class), r -> {
            Variables.Variable v = r.terminal().variables().byName(r.text(0));
            return v == null ? Answer.fail(Answer.NOT_FOUND, "No variable " + r.text(0))
                    : Answer.flag(v.type() == Variables.Type.TEXT);
        });
        row(0x2812, "set text variable", Shape.list(String.class, String.class), r -> {
            checkName(r.text(0));
            Variables.Variable v = r.terminal().variables().byName(r.text(0));
            if (v != null && v.type() != Variables.Type.TEXT) {
                return Answer.fail(Answer.WRONG_TYPE, r.text(0) + " is not a text variable");
            }
            return r.terminal().variables().put(r.text(0), Variables.Type.TEXT, r.text(1));
        });
        row(0x2814, "get text variable", Shape.list(String.class), r -> {
            Variables.Variable v = r.terminal().variables().byName(r.text(0));
            if (v == null) {
                return Answer.fail(Answer.NOT_FOUND, "No variable " + r.text(0));
            }
            return v.type() == Variables.Type.TEXT ? Answer.ok(v.text())
                    : Answer.fail(Answer.WRONG_TYPE, r.text(0) + " is not a text variable");
        });
        row(0x2061, "delete variable by name", Shape.list(String.class), r -> {
            Variables.Variable v = r.terminal().variables().byName(r.text(0));
            if (v == null) {
                return Answer.fail(Answer.NOT_FOUND, "No variable " + r.text(0));
            }
            r.terminal().variables().remove(v);
            return Answer.ok(Integer.toString(v.id()));
        });
    }

    private DirectIOCommands() {
    }

    public static Command find(int code) {
        return TABLE.get(code);
    }

    /** Every command, in table order. */
    public static Map<Integer, Command> all() {
        return Collections.unmodifiableMap(TABLE);
    }

    /** A script jump or start takes effect after its answer has been sent. */
    private static Answer started(Request r, Answer a) {
        if (a.status() == Answer.OK) {
            r.after().add(r.terminal().scripts()::go);
        }
        return a;
    }

    static JposException illegal(String why) {
        return new JposException(JposConst.JPOS_E_ILLEGAL, why);
    }

    /** Variable names: 1 to 32 characters, no commas (the host joins fields with commas). */
    static void checkName(String name) throws JposException {
        if (name.isEmpty() || name.length() > 32 || name.indexOf(',') >= 0) {
            throw illegal("Variable name '" + name + "' must have 1 to 32 characters and no comma");
        }
    }
}
