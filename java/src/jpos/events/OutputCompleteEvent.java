package jpos.events;

/** An asynchronous output request has finished. */
public class OutputCompleteEvent extends JposEvent {
    private static final long serialVersionUID = 1L;
    private final int outputID;

    public OutputCompleteEvent(Object source, int outputID) {
        super(source);
        this.outputID = outputID;
    }

    public int getOutputID() {
        return outputID;
    }

    @Override
    public String toString() {
        return "OutputCompleteEvent[outputID=" + outputID + "]";
    }
}
