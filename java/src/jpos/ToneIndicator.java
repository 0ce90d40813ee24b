package jpos;

import com.orv.jpos.tone.ToneOPOSEventCallbacks;
import com.orv.sim.DeviceKind;
import com.orv.sim.device.ToneService;
import com.orv.sim.device.ToneService.Prop;
import jpos.events.ErrorListener;
import jpos.events.OutputCompleteListener;

/** The tone indicator control: the terminal's beeper. */
public class ToneIndicator extends BaseJposControl {
    public ToneIndicator() {
        super(DeviceKind.TONE_INDICATOR, new ToneOPOSEventCallbacks());
    }

    private ToneService tone(String method) throws JposException {
        return svc(method, ToneService.class);
    }

    public boolean getCapPitch() throws JposException {
        return fixed("getCapPitch", true);
    }

    public boolean getCapVolume() throws JposException {
        return fixed("getCapVolume", true);
    }

    public boolean getAsyncMode() throws JposException {
        return tone("getAsyncMode").getAsyncMode();
    }

    public void setAsyncMode(boolean asyncMode) throws JposException {
        tone("setAsyncMode").setAsyncMode(asyncMode);
    }

    public int getOutputID() throws JposException {
        return tone("getOutputID").getOutputID();
    }

    public int getTone1Pitch() throws JposException {
        return tone("getTone1Pitch").get(Prop.TONE1_PITCH);
    }

    public void setTone1Pitch(int v) throws JposException {
        tone("setTone1Pitch").set(Prop.TONE1_PITCH, v);
    }

    public int getTone1Volume() throws JposException {
        return tone("getTone1Volume").get(Prop.TONE1_VOLUME);
    }

    public void setTone1Volume(int v) throws JposException {
        tone("setTone1Volume").set(Prop.TONE1_VOLUME, v);
    }

    public int getTone1Duration() throws JposException {
        return tone("getTone1Duration").get(Prop.TONE1_DURATION);
    }

    public void setTone1Duration(int v) throws JposException {
        tone("setTone1Duration").set(Prop.TONE1_DURATION, v);
    }

    public int getTone2Pitch() throws JposException {
        return tone("getTone2Pitch").get(Prop.TONE2_PITCH);
    }

    public void setTone2Pitch(int v) throws JposException {
        tone("setTone2Pitch").set(Prop.TONE2_PITCH, v);
    }

    public int getTone2Volume() throws JposException {
        return tone("getTone2Volume").get(Prop.TONE2_VOLUME);
    }

    public void setTone2Volume(int v) throws JposException {
        tone("setTone2Volume").set(Prop.TONE2_VOLUME, v);
    }

    public int getTone2Duration() throws JposException {
        return tone("getTone2Duration").get(Prop.TONE2_DURATION);
    }

    public void setTone2Duration(int v) throws JposException {
        tone("setTone2Duration").set(Prop.TONE2_DURATION, v);
    }

    public int getInterToneWait() throws JposException {
        return tone("getInterToneWait").get(Prop.INTER_TONE_WAIT);
    }

    public void setInterToneWait(int v) throws JposException {
        tone("setInterToneWait").set(Prop.INTER_TONE_WAIT, v);
    }

    /** numberOfCycles &gt; 0, or JPOS_FOREVER in asynchronous mode. */
    public void sound(int numberOfCycles, int interSoundWait) throws JposException {
        tone("sound").sound(numberOfCycles, interSoundWait);
    }

    public void soundImmediate() throws JposException {
        tone("soundImmediate").soundImmediate();
    }

    public void clearOutput() throws JposException {
        tone("clearOutput").clearOutput();
    }

    public void addOutputCompleteListener(OutputCompleteListener l) {
        outputCompleteListeners.add(l);
    }

    public void removeOutputCompleteListener(OutputCompleteListener l) {
        outputCompleteListeners.remove(l);
    }

    public void addErrorListener(ErrorListener l) {
        errorListeners.add(l);
    }

    public void removeErrorListener(ErrorListener l) {
        errorListeners.remove(l);
    }
}
