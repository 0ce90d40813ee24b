package jpos.events;

/** Input data is available in the control's data properties. */
public class DataEvent extends JposEvent {
    private static final long serialVersionUID = 1L;
    private final int status;

    public DataEvent(Object source, int status) {
        super(source);
        this.status = status;
    }

    public int getStatus() {
        return status;
    }

    @Override
    public String toString() {
        return "DataEvent[status=" + status + "]";
    }
}
