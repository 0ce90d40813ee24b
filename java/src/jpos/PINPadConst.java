package jpos;

/** PIN pad constants (UnifiedPOS values). */
public interface PINPadConst {
    int PPAD_DISP_UNRESTRICTED = 1;
    int PPAD_DISP_PINRESTRICTED = 2;
    int PPAD_DISP_RESTRICTED_LIST = 3;
    int PPAD_DISP_RESTRICTED_ORDER = 4;
    int PPAD_DISP_NONE = 5;

    int PPAD_LANG_NONE = 1;
    int PPAD_LANG_ONE = 2;
    int PPAD_LANG_PINRESTRICTED = 3;
    int PPAD_LANG_UNRESTRICTED = 4;

    int PPAD_TRANS_DEBIT = 1;
    int PPAD_TRANS_CREDIT = 2;
    int PPAD_TRANS_INQ = 3;
    int PPAD_TRANS_RECONCILE = 4;
    int PPAD_TRANS_ADMIN = 5;

    int PPAD_EFT_NORMAL = 1;
    int PPAD_EFT_ABNORMAL = 2;

    int PPAD_SUCCESS = 1;
    int PPAD_CANCEL = 2;

    int PPAD_MSG_ENTERPIN = 1;
    int PPAD_MSG_PLEASEWAIT = 2;
    int PPAD_MSG_ENTERVALIDPIN = 3;
    int PPAD_MSG_RETRIESEXCEEDED = 4;
    int PPAD_MSG_APPROVED = 5;
    int PPAD_MSG_DECLINEDBYHOST = 6;
    int PPAD_MSG_AMOUNTOK = 7;
    int PPAD_MSG_NOTREADY = 8;
    int PPAD_MSG_IDLE = 9;
    int PPAD_MSG_SLIDE_CARD = 10;
    int PPAD_MSG_INSERTCARD = 11;
    int PPAD_MSG_SELECTCARDTYPE = 12;

    int JPOS_EPPAD_BAD_KEY = 201;
}
