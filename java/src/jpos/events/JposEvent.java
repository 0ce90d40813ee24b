package jpos.events;

import java.util.EventObject;
import java.util.concurrent.atomic.AtomicLong;

/** Base of the five JavaPOS events: the source control, a sequence number and a time stamp. */
public abstract class JposEvent extends EventObject {
    private static final long serialVersionUID = 1L;
    private static final AtomicLong SEQUENCE = new AtomicLong();

    private final long sequenceNumber;
    private final long when;

    protected JposEvent(Object source) {
        super(source);
        sequenceNumber = SEQUENCE.incrementAndGet();
        when = System.currentTimeMillis();
    }

    public long getSequenceNumber() {
        return sequenceNumber;
    }

    public long getWhen() {
        return when;
    }
}
