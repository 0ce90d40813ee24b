package jpos.events;

import java.util.EventListener;

public interface StatusUpdateListener extends EventListener {
    void statusUpdateOccurred(StatusUpdateEvent e);
}
