package jpos.events;

import java.util.EventListener;

public interface ErrorListener extends EventListener {
    void errorOccurred(ErrorEvent e);
}
