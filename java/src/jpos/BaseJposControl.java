package jpos;

import com.orv.jpos.OposEventCallbacks;
import com.orv.sim.SimLog;
import com.orv.sim.DeviceKind;
import com.orv.sim.device.DeviceService;
import com.orv.sim.terminal.Terminal;
import java.util.List;
import java.util.concurrent.CopyOnWriteArrayList;
import jpos.events.DataEvent;
import jpos.events.DataListener;
import jpos.events.DirectIOEvent;
import jpos.events.DirectIOListener;
import jpos.events.ErrorEvent;
import jpos.events.ErrorListener;
import jpos.events.JposEvent;
import jpos.events.OutputCompleteEvent;
import jpos.events.OutputCompleteListener;
import jpos.events.StatusUpdateEvent;
import jpos.events.StatusUpdateListener;

/**
 * What every device control has: open, claim, enable and release, health, statistics,
 * firmware, DirectIO, and its events. The device itself is a simulated terminal device that
 * exists while the control is open. Each event goes to the control's listeners and then to its
 * native relay (active when a service object library is loaded in the process).
 *
 * Every public method first checks the failures planted through the simulator, under its own
 * name, so a test can make any method fail with a chosen error code.
 */
public abstract class BaseJposControl implements JposConst {
    public static final int DEVICE_VERSION = 1_009_000;

    private final DeviceKind kind;
    private final OposEventCallbacks callbacks;
    private final Object openLock = new Object();
    private volatile DeviceService service;

    protected final List<DataListener> dataListeners = new CopyOnWriteArrayList<>();
    protected final List<ErrorListener> errorListeners = new CopyOnWriteArrayList<>();
    protected final List<StatusUpdateListener> statusUpdateListeners = new CopyOnWriteArrayList<>();
    protected final List<OutputCompleteListener> outputCompleteListeners = new CopyOnWriteArrayList<>();
    protected final List<DirectIOListener> directIOListeners = new CopyOnWriteArrayList<>();

    protected BaseJposControl(DeviceKind kind, OposEventCallbacks callbacks) {
        this.kind = kind;
        this.callbacks = callbacks;
    }

    /** The relay to the service object natives of this control's class. */
    public final OposEventCallbacks getEventCallbacks() {
        return callbacks;
    }

    /** The open device after the planted-failure check; closed controls fail with E_CLOSED. */
    protected final DeviceService svc(String method) throws JposException {
        DeviceService s = service;
        Terminal.get().failures().check(s == null ? null : s.name(), method);
        if (s == null) {
            throw new JposException(JPOS_E_CLOSED, "Control is closed");
        }
        return s;
    }

    protected final <T extends DeviceService> T svc(String method, Class<T> type) throws JposException {
        return type.cast(svc(method));
    }

    /** A property whose value is fixed (capabilities, lists): still closed and failure checked. */
    protected final <T> T fixed(String method, T value) throws JposException {
        svc(method);
        return value;
    }

    private void deliver(JposEvent event) {
        if (event instanceof DataEvent e) {
            each(dataListeners, l -> l.dataOccurred(e));
        } else if (event instanceof ErrorEvent e) {
            each(errorListeners, l -> l.errorOccurred(e));
        } else if (event instanceof StatusUpdateEvent e) {
            each(statusUpdateListeners, l -> l.statusUpdateOccurred(e));
        } else if (event instanceof OutputCompleteEvent e) {
            each(outputCompleteListeners, l -> l.outputCompleteOccurred(e));
        } else if (event instanceof DirectIOEvent e) {
            each(directIOListeners, l -> l.directIOOccurred(e));
        }
        callbacks.relay(event);
    }

    /** One failing listener must not keep the event from the others or from the natives. */
    private static <L> void each(List<L> listeners, java.util.function.Consumer<L> call) {
        for (L l : listeners) {
            try {
                call.accept(l);
            } catch (RuntimeException e) {
                SimLog.warn("event listener " + l.getClass().getName() + " failed: " + e);
            }
        }
    }

    // ---- life cycle ------------------------------------------------------------------------

    public void open(String logicalDeviceName) throws JposException {
        Terminal t = Terminal.get();
        t.failures().check(logicalDeviceName, "open");
        synchronized (openLock) {
            if (service != null) {
                throw new JposException(JPOS_E_ILLEGAL, "Control is already open");
            }
            service = t.open(kind, logicalDeviceName, this, this::deliver);
        }
    }

    public void close() throws JposException {
        DeviceService s = svc("close");
        try {
            s.close();
        } finally {
            synchronized (openLock) {
                if (service == s) {
                    service = null;
                }
            }
        }
    }

    public void claim(int timeout) throws JposException {
        svc("claim").claim(timeout);
    }

    public void release() throws JposException {
        svc("release").release();
    }

    public void checkHealth(int level) throws JposException {
        svc("checkHealth").checkHealth(level);
    }

    /** Devices without input have nothing to clear. */
    public void clearInput() throws JposException {
        svc("clearInput");
        throw new JposException(JPOS_E_ILLEGAL, "A " + kind.classWord() + " has no input");
    }

    /** data carries the command's value in element 0 (it may be null); object its arguments. */
    public void directIO(int command, int[] data, Object object) throws JposException {
        svc("directIO").directIO(command, data, object);
    }

    // ---- common properties -----------------------------------------------------------------

    public int getState() throws JposException {
        DeviceService s = service;
        Terminal.get().failures().check(s == null ? null : s.name(), "getState");
        return s == null ? JPOS_S_CLOSED : s.getState();
    }

    public boolean getClaimed() throws JposException {
        return svc("getClaimed").getClaimed();
    }

    public boolean getDeviceEnabled() throws JposException {
        return svc("getDeviceEnabled").getDeviceEnabled();
    }

    public void setDeviceEnabled(boolean deviceEnabled) throws JposException {
        svc("setDeviceEnabled").setDeviceEnabled(deviceEnabled);
    }

    public boolean getFreezeEvents() throws JposException {
        return svc("getFreezeEvents").getFreezeEvents();
    }

    public void setFreezeEvents(boolean freezeEvents) throws JposException {
        svc("setFreezeEvents").setFreezeEvents(freezeEvents);
    }

    public String getCheckHealthText() throws JposException {
        return svc("getCheckHealthText").getCheckHealthText();
    }

    public String getDeviceControlDescription() {
        return kind.controlDescription();
    }

    public int getDeviceControlVersion() {
        return DEVICE_VERSION;
    }

    public String getDeviceServiceDescription() throws JposException {
        return fixed("getDeviceServiceDescription", kind.serviceDescription());
    }

    public int getDeviceServiceVersion() throws JposException {
        return fixed("getDeviceServiceVersion", DEVICE_VERSION);
    }

    public String getPhysicalDeviceDescription() throws JposException {
        return fixed("getPhysicalDeviceDescription", kind.physicalDescription());
    }

    public String getPhysicalDeviceName() throws JposException {
        return fixed("getPhysicalDeviceName", kind.physicalName());
    }

    public int getPowerNotify() throws JposException {
        return svc("getPowerNotify").getPowerNotify();
    }

    public void setPowerNotify(int powerNotify) throws JposException {
        svc("setPowerNotify").setPowerNotify(powerNotify);
    }

    public int getPowerState() throws JposException {
        return svc("getPowerState").getPowerState();
    }

    public int getCapPowerReporting() throws JposException {
        return svc("getCapPowerReporting").getCapPowerReporting();
    }

    public boolean getCapStatisticsReporting() throws JposException {
        return fixed("getCapStatisticsReporting", true);
    }

    public boolean getCapUpdateStatistics() throws JposException {
        return fixed("getCapUpdateStatistics", true);
    }

    public boolean getCapCompareFirmwareVersion() throws JposException {
        return fixed("getCapCompareFirmwareVersion", true);
    }

    public boolean getCapUpdateFirmware() throws JposException {
        return fixed("getCapUpdateFirmware", true);
    }

    // ---- statistics and firmware -----------------------------------------------------------

    /** Replaces statisticsBuffer[0] (names, "U_", "M_" or "" for all) with the statistics XML. */
    public void retrieveStatistics(String[] statisticsBuffer) throws JposException {
        DeviceService s = svc("retrieveStatistics");
        if (statisticsBuffer == null || statisticsBuffer.length < 1) {
            throw new JposException(JPOS_E_ILLEGAL, "retrieveStatistics needs a one-element buffer");
        }
        statisticsBuffer[0] = s.retrieveStatistics(statisticsBuffer[0]);
    }

    /** The by-value form: the request is checked and served, the text has nowhere to go. */
    public void retrieveStatistics(String statisticsBuffer) throws JposException {
        svc("retrieveStatistics").retrieveStatistics(statisticsBuffer);
    }

    public void updateStatistics(String statisticsBuffer) throws JposException {
        svc("updateStatistics").updateStatistics(statisticsBuffer);
    }

    public void resetStatistics(String statisticsBuffer) throws JposException {
        svc("resetStatistics").resetStatistics(statisticsBuffer);
    }

    /** Puts the JPOS_CFV_FIRMWARE_* comparison of the terminal's firmware with the file in result[0]. */
    public void compareFirmwareVersion(String firmwareFileName, int[] result) throws JposException {
        DeviceService s = svc("compareFirmwareVersion");
        if (result == null || result.length < 1) {
            throw new JposException(JPOS_E_ILLEGAL, "compareFirmwareVersion needs a one-element result");
        }
        result[0] = s.compareFirmwareVersion(firmwareFileName);
    }

    /** The by-value form: the comparison runs, its result has nowhere to go. */
    public void compareFirmwareVersion(String firmwareFileName, long result) throws JposException {
        svc("compareFirmwareVersion").compareFirmwareVersion(firmwareFileName);
    }

    public void updateFirmware(String firmwareFileName) throws JposException {
        svc("updateFirmware").updateFirmware(firmwareFileName);
    }

    // ---- listeners -------------------------------------------------------------------------

    public void addDirectIOListener(DirectIOListener l) {
        directIOListeners.add(l);
    }

    public void removeDirectIOListener(DirectIOListener l) {
        directIOListeners.remove(l);
    }

    public void addStatusUpdateListener(StatusUpdateListener l) {
        statusUpdateListeners.add(l);
    }

    public void removeStatusUpdateListener(StatusUpdateListener l) {
        statusUpdateListeners.remove(l);
    }
}
