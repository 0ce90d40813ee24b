package com.orv.jpos;

/**
 * The outcome of loading one native library by name. Loading never throws: a library that is
 * not on java.library.path (pure Java use) leaves the binding inactive with the reason kept.
 */
public final class NativeBinding {
    private final String library;
    private final boolean loaded;
    private final String failure;

    private NativeBinding(String library, boolean loaded, String failure) {
        this.library = library;
        this.loaded = loaded;
        this.failure = failure;
    }

    /**
     * Loads lib&lt;name&gt;.so from java.library.path; the loader returns a module already in the
     * process. Folders written the Windows way, with a trailing backslash, are tried as well.
     */
    public static NativeBinding load(String library) {
        try {
            System.loadLibrary(library);
            return new NativeBinding(library, true, "");
        } catch (Throwable t) {  // UnsatisfiedLinkError, SecurityException: report, never propagate
            String path = System.getProperty("java.library.path", "");
            for (String dir : path.split(java.io.File.pathSeparator)) {
                String d = dir.replaceAll("[\\\\/]+$", "");
                java.io.File f = new java.io.File(d, System.mapLibraryName(library));
                if (!d.isEmpty() && !d.equals(dir) && f.isFile()) {
                    try {
                        System.load(f.getAbsolutePath());
                        return new NativeBinding(library, true, "");
                    } catch (Throwable again) {
                        return new NativeBinding(library, false, String.valueOf(again));
                    }
                }
            }
            return new NativeBinding(library, false, String.valueOf(t));
        }
    }

    public String library() {
        return library;
    }

    public boolean isLoaded() {
        return loaded;
    }

    /** Why loading failed; empty when it succeeded. */
    public String failure() {
        return failure;
    }

    /** For wrappers of natives: a missing library is an IllegalStateException naming the reason. */
    public void require() {
        if (!loaded) {
            throw new IllegalStateException(library + " is not loaded: " + failure);
        }
    }

    @Override
    public String toString() {
        return library + (loaded ? " (loaded)" : " (not loaded: " + failure + ")");
    }
}
