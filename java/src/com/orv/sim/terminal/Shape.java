package com.orv.sim.terminal;

import java.util.ArrayList;
import java.util.Arrays;
import java.util.List;
import jpos.JposConst;
import jpos.JposException;

/**
 * The object a DirectIO command expects: nothing, one String, one Integer, or a list whose
 * elements have given classes (Byte[] for byte arrays). A different object is malformed.
 */
public final class Shape {
    private enum Form { NONE, SINGLE, LIST }

    private final Form form;
    private final List<Class<?>> types;

    private Shape(Form form, Class<?>... types) {
        this.form = form;
        this.types = List.of(types);
    }

    public static Shape none() {
        return new Shape(Form.NONE);
    }

    public static Shape single(Class<?> type) {
        return new Shape(Form.SINGLE, type);
    }

    public static Shape list(Class<?>... types) {
        return new Shape(Form.LIST, types);
    }

    /** False for commands that ignore their object. */
    public boolean takesObject() {
        return form != Form.NONE;
    }

    /** The arguments carried by the object, checked against the shape. */
    public List<Object> check(Object object) throws JposException {
        switch (form) {
            case NONE:
                return List.of();
            case SINGLE:
                if (!types.get(0).isInstance(object)) {
                    throw malformed("a " + types.get(0).getSimpleName(), object);
                }
                return List.of(object);
            default:
                if (!(object instanceof List<?> list) || list.size() != types.size()) {
                    throw malformed("a list of " + names(), object);
                }
                List<Object> args = new ArrayList<>(list);
                for (int i = 0; i < types.size(); i++) {
                    if (!types.get(i).isInstance(args.get(i))) {
                        throw malformed("a list of " + names(), object);
                    }
                }
                return args;
        }
    }

    private String names() {
        return types.stream().map(Class::getSimpleName).toList().toString();
    }

    private static JposException malformed(String expected, Object got) {
        String what = got == null ? "null" : got.getClass().getName()
                + (got instanceof List<?> l ? " of " + l.size() + " elements" : "");
        return new JposException(JposConst.JPOS_E_ILLEGAL,
                "DirectIO object must be " + expected + ", not " + what);
    }

    /** The bytes of a Byte[] argument; null elements are malformed. */
    public static byte[] bytes(Object arg) throws JposException {
        Byte[] boxed = (Byte[]) arg;
        byte[] b = new byte[boxed.length];
        for (int i = 0; i < b.length; i++) {
            if (boxed[i] == null) {
                throw new JposException(JposConst.JPOS_E_ILLEGAL,
                        "DirectIO byte array has a null element at " + i + ": " + Arrays.toString(boxed));
            }
            b[i] = boxed[i];
        }
        return b;
    }
}
