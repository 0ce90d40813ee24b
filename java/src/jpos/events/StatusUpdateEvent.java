package jpos.events;

/** A change of device status (power state, firmware update progress, device specific). */
public class StatusUpdateEvent extends JposEvent {
    private static final long serialVersionUID = 1L;
    private final int status;

    public StatusUpdateEvent(Object source, int status) {
        super(source);
        this.status = status;
    }

    public int getStatus() {
        return status;
    }

    @Override
    public String toString() {
        return "StatusUpdateEvent[status=" + status + "]";
    }
}
