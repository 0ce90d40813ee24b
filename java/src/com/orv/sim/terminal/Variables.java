package com.orv.sim.terminal;

import java.nio.charset.StandardCharsets;
import java.util.LinkedHashMap;
import java.util.Map;

/**
 * The terminal's variable store: text variables, downloaded scripts and raw data variables,
 * each with a numeric ID and a unique name, all sharing the terminal's memory.
 */
public final class Variables {
    public static final int MEMORY_BYTES = 262_144;
    private static final int OVERHEAD = 16;

    public enum Type { TEXT, SCRIPT, DATA }

    public record Variable(int id, String name, Type type, String text) {
        int size() {
            return OVERHEAD + name.length() + text.getBytes(StandardCharsets.ISO_8859_1).length;
        }
    }

    private final Map<Integer, Variable> byId = new LinkedHashMap<>();
    private int nextId = 1;

    public synchronized void clear() {
        byId.clear();
        nextId = 1;
    }

    public synchronized int freeMemory() {
        return MEMORY_BYTES - byId.values().stream().mapToInt(Variable::size).sum();
    }

    public synchronized Variable byName(String name) {
        return byId.values().stream().filter(v -> v.name.equals(name)).findFirst().orElse(null);
    }

    public synchronized Variable byId(int id) {
        return byId.get(id);
    }

    /** Creates or replaces the variable of that name, keeping its ID. */
    public synchronized Answer put(String name, Type type, String text) {
        Variable old = byName(name);
        int id = old == null ? allocateId() : old.id;
        Variable v = new Variable(id, name, type, text);
        int free = freeMemory() + (old == null ? 0 : old.size());
        if (v.size() > free) {
            return Answer.fail(Answer.MEMORY_FULL, "Not enough memory for " + name);
        }
        byId.put(id, v);
        return Answer.ok(Integer.toString(id));
    }

    /** Names the variable with this ID, creating an empty data variable when there is none. */
    public synchronized Answer name(int id, String name) {
        Variable other = byName(name);
        if (other != null && other.id != id) {
            return Answer.fail(Answer.EXISTS, "Variable name " + name + " is in use by ID " + other.id);
        }
        Variable old = byId.get(id);
        Variable v = old == null ? new Variable(id, name, Type.DATA, "")
                : new Variable(id, name, old.type, old.text);
        if (v.size() > freeMemory() + (old == null ? 0 : old.size())) {
            return Answer.fail(Answer.MEMORY_FULL, "Not enough memory for " + name);
        }
        byId.put(id, v);
        nextId = Math.max(nextId, id + 1);
        return Answer.ok(Integer.toString(id));
    }

    public synchronized boolean has(Type type) {
        return byId.values().stream().anyMatch(v -> v.type == type);
    }

    public synchronized boolean remove(Variable v) {
        return byId.remove(v.id) != null;
    }

    private int allocateId() {
        while (byId.containsKey(nextId)) {
            nextId++;
        }
        return nextId++;
    }
}
