package com.orv.comm;

/** An error a port library reported through errorOccurred. */
public record PortError(int code, String message) {
}
