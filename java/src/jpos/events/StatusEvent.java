package jpos.events;

/** An event whose content is one status number: data events and status updates. */
public abstract class StatusEvent extends JposEvent {
    private static final long serialVersionUID = 1L;
    private final int status;

    protected StatusEvent(Object source, int status) {
        super(source);
        this.status = status;
    }

    public int getStatus() {
        return status;
    }

    @Override
    public String toString() {
        return getClass().getSimpleName() + "[status=" + status + "]";
    }
}
