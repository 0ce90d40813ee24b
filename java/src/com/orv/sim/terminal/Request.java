package com.orv.sim.terminal;

import com.orv.sim.device.DeviceService;
import java.awt.Point;
import java.util.List;

/**
 * One DirectIO command as the terminal receives it: who sent it, the data value and arguments,
 * and work to start once the answer is on its way (so the answer comes before its effects).
 */
public record Request(Terminal terminal, DeviceService from, int code, int data, List<Object> args,
                      List<Runnable> after) {
    public Request(Terminal terminal, DeviceService from, int code, int data, List<Object> args) {
        this(terminal, from, code, data, args, new java.util.ArrayList<>());
    }

    public String text(int i) {
        return (String) args.get(i);
    }

    public int integer(int i) {
        return (Integer) args.get(i);
    }

    public Point point(int i) {
        return (Point) args.get(i);
    }
}
