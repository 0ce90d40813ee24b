package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Jpos.ready;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertFalse;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.sim.Sim;
import java.lang.reflect.InvocationTargetException;
import java.lang.reflect.Method;
import java.lang.reflect.Modifier;
import java.util.ArrayList;
import java.util.List;
import java.util.Set;
import java.util.function.Supplier;
import java.util.stream.Stream;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;
import org.junit.jupiter.params.ParameterizedTest;
import org.junit.jupiter.params.provider.Arguments;
import org.junit.jupiter.params.provider.MethodSource;

/** The UnifiedPOS state rules of every control and the error code of each violation. */
class StateRulesTest {
    private final List<BaseJposControl> opened = new ArrayList<>();

    @BeforeEach
    void reset() {
        Sim.reset();
    }

    @AfterEach
    void close() {
        closeQuietly(opened.toArray(new BaseJposControl[0]));
    }

    private <T extends BaseJposControl> T track(T c) {
        opened.add(c);
        return c;
    }

    private static final Set<String> ALLOWED_WHEN_CLOSED = Set.of("open", "getState",
            "getDeviceControlDescription", "getDeviceControlVersion", "getEventCallbacks");

    static Stream<Arguments> closedCalls() {
        List<Supplier<BaseJposControl>> kinds = List.of(PINPad::new, SignatureCapture::new, LineDisplay::new,
                MSR::new, POSKeyboard::new, ToneIndicator::new, Scanner::new);
        List<Arguments> rows = new ArrayList<>();
        for (Supplier<BaseJposControl> k : kinds) {
            for (Method m : k.get().getClass().getMethods()) {
                if (Modifier.isStatic(m.getModifiers()) || m.getDeclaringClass() == Object.class
                        || ALLOWED_WHEN_CLOSED.contains(m.getName())
                        || m.getExceptionTypes().length == 0) {
                    continue;
                }
                rows.add(Arguments.of(k.get().getClass().getSimpleName() + "." + m.getName()
                        + List.of(m.getParameterTypes()).toString().replace("class ", ""), k, m));
            }
        }
        return rows.stream();
    }

    /** Every method and property of every control answers E_CLOSED while the control is closed. */
    @ParameterizedTest(name = "{0}")
    @MethodSource("closedCalls")
    void everyMemberOfAClosedControlFailsWithClosed(String label, Supplier<BaseJposControl> kind, Method m)
            throws Exception {
        Object[] args = new Object[m.getParameterCount()];
        Class<?>[] types = m.getParameterTypes();
        for (int i = 0; i < args.length; i++) {
            args[i] = types[i] == int.class ? 0 : types[i] == long.class ? 0L : types[i] == boolean.class
                    ? Boolean.FALSE : types[i] == String.class ? "" : types[i].isArray()
                    ? java.lang.reflect.Array.newInstance(types[i].getComponentType(), 1) : null;
        }
        try {
            m.invoke(kind.get(), args);
        } catch (InvocationTargetException e) {
            assertTrue(e.getCause() instanceof JposException, label + " threw " + e.getCause());
            assertEquals(JposConst.JPOS_E_CLOSED, ((JposException) e.getCause()).getErrorCode(), label);
            return;
        }
        throw new AssertionError(label + " succeeded on a closed control");
    }

    @Test
    void closedStateAndOpenNames() throws Exception {
        PINPad p = track(new PINPad());
        assertEquals(JposConst.JPOS_S_CLOSED, p.getState());
        fails(JposConst.JPOS_E_NOEXIST, () -> p.open("NOPE"));
        fails(JposConst.JPOS_E_NOSERVICE, () -> p.open("M1"));
        fails(JposConst.JPOS_E_ILLEGAL, () -> p.open(""));
        p.open("P1");
        assertEquals(JposConst.JPOS_S_IDLE, p.getState());
        fails(JposConst.JPOS_E_ILLEGAL, () -> p.open("P1"));
        p.close();
        fails(JposConst.JPOS_E_CLOSED, p::close);
        p.open("P1");  // a closed control opens again
        assertFalse(p.getClaimed());
    }

    @Test
    void enablingBeforeClaimingFailsWithNotClaimed() throws Exception {
        PINPad p = track(new PINPad());
        p.open("P1");
        fails(JposConst.JPOS_E_NOTCLAIMED, () -> p.setDeviceEnabled(true));
        p.claim(0);
        p.setDeviceEnabled(true);
        assertTrue(p.getDeviceEnabled());
    }

    @Test
    void operationsNeedClaimThenEnable() throws Exception {
        LineDisplay d = track(new LineDisplay());
        ToneIndicator t = track(new ToneIndicator());
        SignatureCapture s = track(new SignatureCapture());
        MSR m = track(new MSR());
        d.open("L1");
        t.open("T1");
        s.open("S1");
        m.open("M1");
        List<BaseJposControl> all = List.of(d, t, s, m);
        for (BaseJposControl c : all) {
            fails(JposConst.JPOS_E_NOTCLAIMED, () -> c.checkHealth(1));
            fails(JposConst.JPOS_E_NOTCLAIMED, () -> c.directIO(0x1028, new int[1], null));
            fails(JposConst.JPOS_E_NOTCLAIMED, () -> c.retrieveStatistics(new String[] {""}));
        }
        fails(JposConst.JPOS_E_NOTCLAIMED, m::clearInput);
        fails(JposConst.JPOS_E_NOTCLAIMED, () -> d.displayText("x", 0));
        fails(JposConst.JPOS_E_NOTCLAIMED, () -> t.sound(1, 0));
        fails(JposConst.JPOS_E_NOTCLAIMED, () -> s.beginCapture("f"));
        for (BaseJposControl c : all) {
            c.claim(0);
            fails(JposConst.JPOS_E_DISABLED, () -> c.checkHealth(1));
            fails(JposConst.JPOS_E_DISABLED, () -> c.retrieveStatistics(new String[] {""}));
        }
        fails(JposConst.JPOS_E_DISABLED, () -> d.displayText("x", 0));
        fails(JposConst.JPOS_E_DISABLED, () -> t.sound(1, 0));
        fails(JposConst.JPOS_E_DISABLED, () -> s.beginCapture("f"));
        for (BaseJposControl c : all) {
            c.setDeviceEnabled(true);
            c.checkHealth(JposConst.JPOS_CH_INTERNAL);
            assertEquals("Internal HCheck: Successful", c.getCheckHealthText());
            fails(JposConst.JPOS_E_ILLEGAL, () -> c.checkHealth(4));
        }
        fails(JposConst.JPOS_E_ILLEGAL, t::clearInput);   // a beeper has no input
    }

    @Test
    void claimIsExclusiveBetweenInstances() throws Exception {
        MSR a = track(new MSR());
        MSR b = track(new MSR());
        a.open("M1");
        b.open("M1");
        a.claim(0);
        a.claim(0);  // claiming again is harmless
        fails(JposConst.JPOS_E_CLAIMED, () -> b.claim(0));
        long start = System.nanoTime();
        fails(JposConst.JPOS_E_TIMEOUT, () -> b.claim(150));
        assertTrue(System.nanoTime() - start >= 140_000_000L, "claim gave up before its time-out");
        fails(JposConst.JPOS_E_ILLEGAL, () -> b.claim(-2));
        fails(JposConst.JPOS_E_ILLEGAL, b::release);
        // A claim that waits gets the device as soon as the holder lets go.
        Thread releaser = new Thread(() -> {
            try {
                Thread.sleep(100);
                a.release();
            } catch (Exception e) {
                throw new IllegalStateException(e);
            }
        });
        releaser.start();
        b.claim(5000);
        releaser.join();
        assertTrue(b.getClaimed());
        assertFalse(a.getClaimed());
        b.close();  // close releases the claim
        a.claim(0);
    }

    @Test
    void powerRules() throws Exception {
        Scanner s = track(new Scanner());
        s.open("SCAN1");
        s.claim(0);
        assertEquals(JposConst.JPOS_PR_ADVANCED, s.getCapPowerReporting());
        Sim.power("SCAN1", JposConst.JPOS_PS_OFF);
        fails(JposConst.JPOS_E_NOHARDWARE, () -> s.setDeviceEnabled(true));
        Sim.power("SCAN1", JposConst.JPOS_PS_OFFLINE);
        fails(JposConst.JPOS_E_OFFLINE, () -> s.setDeviceEnabled(true));
        fails(JposConst.JPOS_E_ILLEGAL, () -> s.setPowerNotify(7));
        s.setPowerNotify(JposConst.JPOS_PN_ENABLED);
        s.setDeviceEnabled(true);  // with power reporting the device enables and tells its state
        assertEquals(JposConst.JPOS_PS_OFFLINE, s.getPowerState());
        fails(JposConst.JPOS_E_ILLEGAL, () -> s.setPowerNotify(JposConst.JPOS_PN_DISABLED));
        Sim.power("SCAN1", JposConst.JPOS_PS_ONLINE);
        assertEquals(JposConst.JPOS_PS_ONLINE, s.getPowerState());
        s.setDeviceEnabled(false);
        assertEquals(JposConst.JPOS_PS_UNKNOWN, s.getPowerState());
    }

    @Test
    void plantedFailuresHitTheNamedMethodOnceOrUntilCleared() throws Exception {
        PINPad p = track(new PINPad());
        p.open("P1");
        Sim.failNext("P1", "getClaimed", JposConst.JPOS_E_ILLEGAL, 0);
        fails(JposConst.JPOS_E_ILLEGAL, p::getClaimed);
        assertFalse(p.getClaimed());
        Sim.failAlways("*", "claim", JposConst.JPOS_E_BUSY, 7);
        assertEquals(7, fails(JposConst.JPOS_E_BUSY, () -> p.claim(0)).getErrorCodeExtended());
        fails(JposConst.JPOS_E_BUSY, () -> p.claim(0));
        assertEquals(1, Sim.clearFailures("*", "claim"));
        p.claim(0);
        Sim.failNext("M1", "open", JposConst.JPOS_E_NOHARDWARE, 0);
        MSR m = track(new MSR());
        fails(JposConst.JPOS_E_NOHARDWARE, () -> m.open("M1"));
        m.open("M1");
    }

    @Test
    void releaseDisablesAndClearsInput() throws Exception {
        POSKeyboard k = track(ready(new POSKeyboard(), "K1"));
        Sim.keyPress("K1", '5');
        assertEquals(1, k.getDataCount());
        k.release();
        assertFalse(k.getDeviceEnabled());
        assertEquals(0, k.getDataCount());
        assertEquals(JposConst.JPOS_S_IDLE, k.getState());
    }
}
