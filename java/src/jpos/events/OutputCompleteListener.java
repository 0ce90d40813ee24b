package jpos.events;

import java.util.EventListener;

public interface OutputCompleteListener extends EventListener {
    void outputCompleteOccurred(OutputCompleteEvent e);
}
