package jpos.events;

/** Input data is available in the control's data properties. */
public class DataEvent extends StatusEvent {
    private static final long serialVersionUID = 1L;

    public DataEvent(Object source, int status) {
        super(source, status);
    }
}
