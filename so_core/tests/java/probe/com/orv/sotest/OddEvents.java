package com.orv.sotest;

/**
 * Event objects the Java side never sends but a native must survive: getters that are missing,
 * that throw, and sources that cannot be read.
 */
public final class OddEvents {
    private OddEvents() {
    }

    /** An error event without getErrorResponse. */
    public static final class NoResponseError {
        private final Object source;

        public NoResponseError(Object source) {
            this.source = source;
        }

        public Object getSource() {
            return source;
        }

        public int getErrorCode() {
            return 111;
        }

        public int getErrorCodeExtended() {
            return 0;
        }

        public int getErrorLocus() {
            return 1;
        }
    }

    /** A data or status event without getStatus. */
    public static final class NoStatus {
        private final Object source;

        public NoStatus(Object source) {
            this.source = source;
        }

        public Object getSource() {
            return source;
        }
    }

    /** A data event whose getStatus throws. */
    public static final class ThrowingStatus {
        private final Object source;

        public ThrowingStatus(Object source) {
            this.source = source;
        }

        public Object getSource() {
            return source;
        }

        public int getStatus() {
            throw new IllegalStateException("status unreadable");
        }
    }

    /** An event whose getSource throws. */
    public static final class ThrowingSource {
        public Object getSource() {
            throw new IllegalStateException("source unreadable");
        }

        public int getStatus() {
            return 1;
        }
    }

    /** A DirectIO answer object without the m_sDIOData field. */
    public static final class NoTextField {
        public String text = "unused";
    }

    /** A DirectIO answer object whose text is null. */
    public static final class NullText {
        public String m_sDIOData = null;
    }

    /** A control class whose constructor throws. */
    public static final class FailingConstructor {
        public FailingConstructor() {
            throw new IllegalStateException("no device here");
        }
    }

    /** A control class without a no-argument constructor. */
    public static final class NoDefaultConstructor {
        public NoDefaultConstructor(int unused) {
        }
    }

    /** A control class without open(String). */
    public static final class NoOpen {
        public NoOpen() {
        }

        public void close() {
        }
    }
}
