package com.orv.sim;

import com.orv.jpos.DirectIOData;
import com.orv.sim.device.DeviceService;
import com.orv.sim.device.KeyboardService;
import com.orv.sim.device.LineDisplayService;
import com.orv.sim.device.MsrService;
import com.orv.sim.device.PinPadService;
import com.orv.sim.device.ScannerService;
import com.orv.sim.device.SignatureService;
import com.orv.sim.terminal.Terminal;
import java.awt.Point;
import java.util.List;
import jpos.events.DirectIOEvent;
import jpos.events.StatusUpdateEvent;

/**
 * The typed way to make the terminal do things a customer, a cashier or the hardware would:
 * input reaches the control instance of this process that has the device claimed and enabled.
 * Every method throws SimException (with the reason) when the input cannot happen now.
 */
public final class Sim {
    private Sim() {
    }

    public static Terminal terminal() {
        return Terminal.get();
    }

    /** The customer enters a PIN on an enabled PIN entry. */
    public static void enterPin(String device, String pin) {
        terminal().active(device, PinPadService.class).enterPin(pin);
    }

    /** The customer presses Cancel during PIN entry. */
    public static void cancelPin(String device) {
        terminal().active(device, PinPadService.class).enterPin(null);
    }

    /** A card with these tracks (1 to 4, null where the card has none) is swiped and read well. */
    public static void swipe(String device, String track1, String track2, String track3, String track4) {
        swipe(device, new String[] {track1, track2, track3, track4}, new int[4]);
    }

    /** A swipe in which failures[i] (an EMSR code, 0 for none) spoils track i+1. */
    public static void swipe(String device, String[] tracks, int[] failures) {
        if (tracks.length != 4 || failures.length != 4) {
            throw new SimException("a card has 4 tracks");
        }
        terminal().active(device, MsrService.class).swipe(tracks.clone(), failures.clone());
    }

    /** The customer draws on the pad; SignatureService.PEN_UP lifts the pen. */
    public static void sign(String device, List<Point> points) {
        terminal().active(device, SignatureService.class).draw(points);
    }

    /** The customer presses OK on the signature pad. */
    public static void signDone(String device) {
        terminal().active(device, SignatureService.class).userDone();
    }

    public static void scan(String device, int type, String label) {
        terminal().active(device, ScannerService.class).scan(type, label);
    }

    /** A key goes down and comes up again. */
    public static void keyPress(String device, int code) {
        terminal().active(device, KeyboardService.class).key(code, true, true);
    }

    public static void keyDown(String device, int code) {
        terminal().active(device, KeyboardService.class).key(code, true, false);
    }

    public static void keyUp(String device, int code) {
        terminal().active(device, KeyboardService.class).key(code, false, true);
    }

    /** The device's power state changes (JPOS_PS_ONLINE, _OFF, _OFFLINE, _OFF_OFFLINE). */
    public static void power(String device, int state) {
        terminal().setPower(device, state);
    }

    public static void powerAll(int state) {
        terminal().setPowerAll(state);
    }

    /** A device fault: an input error for input devices, an output error for the beeper. */
    public static void error(String device, int code, int extended) {
        active(device).raiseError(code, extended);
    }

    /** A device specific status update. */
    public static void status(String device, int status) {
        DeviceService s = active(device);
        s.post(new StatusUpdateEvent(s.source(), status));
    }

    private static DeviceService active(String device) {
        return terminal().active(device, DeviceService.class);
    }

    /** The next call of the method on the device ("*": any device) fails with these codes. */
    public static void failNext(String device, String method, int code, int extended) {
        terminal().failures().plant(device, method, code, extended, true);
    }

    /** Every call of the method fails until clearFailures. */
    public static void failAlways(String device, String method, int code, int extended) {
        terminal().failures().plant(device, method, code, extended, false);
    }

    /** Removes planted failures (method null: all of the device); returns how many. */
    public static int clearFailures(String device, String method) {
        return terminal().failures().clear(device, method);
    }

    /** DirectIO answers of the device wait until holdDirectIO(device, false). */
    public static int holdDirectIO(String device, boolean hold) {
        return terminal().holdAnswers(device, hold);
    }

    public static void delayDirectIO(String device, long ms) {
        terminal().delayAnswers(device, ms);
    }

    /** The next DirectIO answer of the device carries this status and text. */
    public static void plantAnswer(String device, int status, String text) {
        terminal().plantAnswer(device, status, text);
    }

    /** The terminal sends a DirectIO event of its own. */
    public static void directIOEvent(String device, int number, int data, String text) {
        DeviceService s = active(device);
        s.post(new DirectIOEvent(s.source(), number, data, new DirectIOData(text)));
    }

    /** The customer answers a number prompt: digits, or null for Cancel. */
    public static void answerPrompt(String device, String digits) {
        terminal().answerPrompt(device, digits);
    }

    public static void terminalError(int code, String text) {
        terminal().setError(code, text);
    }

    public static void setFact(Terminal.Fact fact, String value) {
        terminal().setFact(fact, value);
    }

    /** The text the line display shows now, row by row. */
    public static List<String> screen(String device) {
        return terminal().active(device, LineDisplayService.class).screen();
    }

    /** The line display as a person sees it (LineDisplayService.render). */
    public static List<String> render(String device) {
        return terminal().active(device, LineDisplayService.class).render();
    }

    /** The terminal back to its defaults; open controls stay open. */
    public static void reset() {
        terminal().reset();
    }
}
