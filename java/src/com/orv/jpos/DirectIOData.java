package com.orv.jpos;

/** The object of a DirectIO event: the terminal's answer text, read by field name from native code. */
public final class DirectIOData {
    /** The answer text; the field name is part of the native interface. */
    public String m_sDIOData;

    public DirectIOData(String text) {
        m_sDIOData = text;
    }

    @Override
    public String toString() {
        return m_sDIOData;
    }
}
