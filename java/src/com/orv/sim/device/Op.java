package com.orv.sim.device;

import jpos.JposException;

/** A piece of device work that runs under the device lock and may fail with a JposException. */
@FunctionalInterface
public interface Op<T> {
    T run() throws JposException;
}
