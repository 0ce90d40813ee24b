package jpos.events;

/** An error during asynchronous input or output; the handler chooses the response. */
public class ErrorEvent extends JposEvent {
    private static final long serialVersionUID = 1L;
    private final int errorCode;
    private final int errorCodeExtended;
    private final int errorLocus;
    private volatile int errorResponse;

    public ErrorEvent(Object source, int errorCode, int errorCodeExtended, int errorLocus,
                      int errorResponse) {
        super(source);
        this.errorCode = errorCode;
        this.errorCodeExtended = errorCodeExtended;
        this.errorLocus = errorLocus;
        this.errorResponse = errorResponse;
    }

    public int getErrorCode() {
        return errorCode;
    }

    public int getErrorCodeExtended() {
        return errorCodeExtended;
    }

    public int getErrorLocus() {
        return errorLocus;
    }

    public int getErrorResponse() {
        return errorResponse;
    }

    public void setErrorResponse(int errorResponse) {
        this.errorResponse = errorResponse;
    }

    @Override
    public String toString() {
        return "ErrorEvent[code=" + errorCode + ", extended=" + errorCodeExtended + ", locus="
                + errorLocus + ", response=" + errorResponse + "]";
    }
}
