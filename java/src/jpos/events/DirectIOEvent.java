package jpos.events;

/** A vendor specific event; here the terminal's answer to a DirectIO command. */
public class DirectIOEvent extends JposEvent {
    private static final long serialVersionUID = 1L;
    private final int eventNumber;
    private volatile int data;
    private transient volatile Object object;

    public DirectIOEvent(Object source, int eventNumber, int data, Object object) {
        super(source);
        this.eventNumber = eventNumber;
        this.data = data;
        this.object = object;
    }

    public int getEventNumber() {
        return eventNumber;
    }

    public int getData() {
        return data;
    }

    public void setData(int data) {
        this.data = data;
    }

    public Object getObject() {
        return object;
    }

    public void setObject(Object object) {
        this.object = object;
    }

    @Override
    public String toString() {
        return "DirectIOEvent[number=" + eventNumber + ", data=0x" + Integer.toHexString(data)
                + ", object=" + object + "]";
    }
}
