package jpos.events;

/** A change of device status (power state, firmware update progress, device specific). */
public class StatusUpdateEvent extends StatusEvent {
    private static final long serialVersionUID = 1L;

    public StatusUpdateEvent(Object source, int status) {
        super(source, status);
    }
}
