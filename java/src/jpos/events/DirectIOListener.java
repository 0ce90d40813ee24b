package jpos.events;

import java.util.EventListener;

public interface DirectIOListener extends EventListener {
    void directIOOccurred(DirectIOEvent e);
}
