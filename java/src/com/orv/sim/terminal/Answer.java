package com.orv.sim.terminal;

/**
 * The terminal's answer to a DirectIO command, delivered as a DirectIO event: the status is
 * the event number, the command code the event data, the text the object's m_sDIOData.
 */
public record Answer(int status, String text) {
    public static final int OK = 0;
    public static final int NOT_FOUND = 1;
    public static final int WRONG_TYPE = 2;
    public static final int EXISTS = 3;
    public static final int MEMORY_FULL = 4;
    public static final int SCRIPT_ERROR = 5;
    public static final int CANCELLED = 6;
    public static final int BUSY = 7;

    public static Answer ok(String text) {
        return new Answer(OK, text);
    }

    public static Answer ok() {
        return new Answer(OK, "OK");
    }

    public static Answer flag(boolean value) {
        return new Answer(OK, value ? "1" : "0");
    }

    public static Answer fail(int status, String text) {
        return new Answer(status, text);
    }
}
