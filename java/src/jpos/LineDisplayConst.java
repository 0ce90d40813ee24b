package jpos;

/** Line display constants (UnifiedPOS values). */
public interface LineDisplayConst {
    int DISP_CB_NOBLINK = 0;
    int DISP_CB_BLINKALL = 1;
    int DISP_CB_BLINKEACH = 2;

    int DISP_CCS_NUMERIC = 0;
    int DISP_CCS_ALPHA = 1;
    int DISP_CCS_KANA = 10;
    int DISP_CCS_KANJI = 11;
    int DISP_CCS_UNICODE = 997;
    int DISP_CCS_ASCII = 998;

    int DISP_CS_UNICODE = 997;
    int DISP_CS_ASCII = 998;
    int DISP_CS_WINDOWS = 999;

    int DISP_CRB_NONE = 0;
    int DISP_CRB_SINGLE = 1;

    int DISP_CR_NONE = 0;
    int DISP_CR_REVERSEALL = 1;
    int DISP_CR_REVERSEEACH = 2;

    int DISP_CCT_NONE = 0x00;
    int DISP_CCT_FIXED = 0x01;
    int DISP_CCT_BLOCK = 0x02;
    int DISP_CCT_HALFBLOCK = 0x04;
    int DISP_CCT_UNDERLINE = 0x08;
    int DISP_CCT_REVERSE = 0x10;
    int DISP_CCT_OTHER = 0x20;
    int DISP_CCT_BLINK = 0x40;

    int DISP_CT_NONE = 0;
    int DISP_CT_FIXED = 1;
    int DISP_CT_BLOCK = 2;
    int DISP_CT_HALFBLOCK = 3;
    int DISP_CT_UNDERLINE = 4;
    int DISP_CT_REVERSE = 5;
    int DISP_CT_OTHER = 6;
    int DISP_CT_BLINK = 0x10000000;

    int DISP_DT_NORMAL = 0;
    int DISP_DT_BLINK = 1;
    int DISP_DT_REVERSE = 2;
    int DISP_DT_BLINK_REVERSE = 3;

    int DISP_ST_UP = 1;
    int DISP_ST_DOWN = 2;
    int DISP_ST_LEFT = 3;
    int DISP_ST_RIGHT = 4;

    int DISP_SD_OFF = 0;
    int DISP_SD_ON = 1;
    int DISP_SD_BLINK = 2;

    int DISP_MT_NONE = 0;
    int DISP_MT_UP = 1;
    int DISP_MT_DOWN = 2;
    int DISP_MT_LEFT = 3;
    int DISP_MT_RIGHT = 4;
    int DISP_MT_INIT = 5;

    int DISP_MF_WALK = 0;
    int DISP_MF_PLACE = 1;

    int DISP_BM_ASIS = -11;
    int DISP_BM_LEFT = -1;
    int DISP_BM_CENTER = -2;
    int DISP_BM_RIGHT = -3;
    int DISP_BM_TOP = -1;
    int DISP_BM_BOTTOM = -3;
}
