package jpos;

/** POS keyboard constants (UnifiedPOS values). */
public interface POSKeyboardConst {
    int KBD_ET_DOWN = 1;
    int KBD_ET_DOWN_UP = 2;

    int KBD_KET_KEYDOWN = 1;
    int KBD_KET_KEYUP = 2;
}
