package jpos.events;

import java.util.EventListener;

public interface DataListener extends EventListener {
    void dataOccurred(DataEvent e);
}
