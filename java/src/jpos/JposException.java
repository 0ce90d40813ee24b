package jpos;

/** Every failure of a control method: a UnifiedPOS error code, an extended code and a text. */
public class JposException extends Exception {
    private static final long serialVersionUID = 1L;

    private final int errorCode;
    private final int errorCodeExtended;
    private final Exception origException;

    public JposException(int errorCode) {
        this(errorCode, 0, "", null);
    }

    public JposException(int errorCode, int errorCodeExtended) {
        this(errorCode, errorCodeExtended, "", null);
    }

    public JposException(int errorCode, String description) {
        this(errorCode, 0, description, null);
    }

    public JposException(int errorCode, int errorCodeExtended, String description) {
        this(errorCode, errorCodeExtended, description, null);
    }

    public JposException(int errorCode, String description, Exception origException) {
        this(errorCode, 0, description, origException);
    }

    public JposException(int errorCode, int errorCodeExtended, String description,
                         Exception origException) {
        super(description == null ? "" : description, origException);
        this.errorCode = errorCode;
        this.errorCodeExtended = errorCodeExtended;
        this.origException = origException;
    }

    public int getErrorCode() {
        return errorCode;
    }

    public int getErrorCodeExtended() {
        return errorCodeExtended;
    }

    public Exception getOrigException() {
        return origException;
    }

    /** The text a service object copies into its trace: class, description and both codes. */
    @Override
    public String toString() {
        return "jpos.JposException: " + getMessage() + " (ErrorCode " + errorCode
                + ", ErrorCodeExtended " + errorCodeExtended + ")";
    }
}
