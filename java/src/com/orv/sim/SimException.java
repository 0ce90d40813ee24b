package com.orv.sim;

/** A simulator input that cannot happen in the terminal's present state (reason in the message). */
public class SimException extends RuntimeException {
    private static final long serialVersionUID = 1L;

    public SimException(String reason) {
        super(reason);
    }
}
