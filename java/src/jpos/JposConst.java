package jpos;

/** Constants shared by every device class (the published UnifiedPOS values). */
public interface JposConst {
    int JPOS_SUCCESS = 0;
    int JPOS_E_CLOSED = 101;
    int JPOS_E_CLAIMED = 102;
    int JPOS_E_NOTCLAIMED = 103;
    int JPOS_E_NOSERVICE = 104;
    int JPOS_E_DISABLED = 105;
    int JPOS_E_ILLEGAL = 106;
    int JPOS_E_NOHARDWARE = 107;
    int JPOS_E_OFFLINE = 108;
    int JPOS_E_NOEXIST = 109;
    int JPOS_E_EXISTS = 110;
    int JPOS_E_FAILURE = 111;
    int JPOS_E_TIMEOUT = 112;
    int JPOS_E_BUSY = 113;
    int JPOS_E_EXTENDED = 114;

    int JPOS_FOREVER = -1;

    int JPOS_S_CLOSED = 1;
    int JPOS_S_IDLE = 2;
    int JPOS_S_BUSY = 3;
    int JPOS_S_ERROR = 4;

    int JPOS_ER_RETRY = 11;
    int JPOS_ER_CLEAR = 12;
    int JPOS_ER_CONTINUEINPUT = 13;

    int JPOS_EL_OUTPUT = 1;
    int JPOS_EL_INPUT = 2;
    int JPOS_EL_INPUT_DATA = 3;

    int JPOS_PR_NONE = 0;
    int JPOS_PR_STANDARD = 1;
    int JPOS_PR_ADVANCED = 2;

    int JPOS_PN_DISABLED = 0;
    int JPOS_PN_ENABLED = 1;

    int JPOS_PS_UNKNOWN = 2000;
    int JPOS_PS_ONLINE = 2001;
    int JPOS_PS_OFF = 2002;
    int JPOS_PS_OFFLINE = 2003;
    int JPOS_PS_OFF_OFFLINE = 2004;

    int JPOS_SUE_POWER_ONLINE = 2001;
    int JPOS_SUE_POWER_OFF = 2002;
    int JPOS_SUE_POWER_OFFLINE = 2003;
    int JPOS_SUE_POWER_OFF_OFFLINE = 2004;

    int JPOS_SUE_UF_PROGRESS = 2100;
    int JPOS_SUE_UF_COMPLETE = 2200;
    int JPOS_SUE_UF_FAILED_DEV_OK = 2201;
    int JPOS_SUE_UF_FAILED_DEV_UNRECOVERABLE = 2202;
    int JPOS_SUE_UF_FAILED_DEV_NEEDS_FIRMWARE = 2203;
    int JPOS_SUE_UF_FAILED_DEV_UNKNOWN = 2204;
    int JPOS_SUE_UF_COMPLETE_DEV_NOT_RESTORED = 2205;

    int JPOS_CH_INTERNAL = 1;
    int JPOS_CH_EXTERNAL = 2;
    int JPOS_CH_INTERACTIVE = 3;

    int JPOS_CFV_FIRMWARE_OLDER = 1;
    int JPOS_CFV_FIRMWARE_SAME = 2;
    int JPOS_CFV_FIRMWARE_NEWER = 3;
    int JPOS_CFV_FIRMWARE_DIFFERENT = 4;
    int JPOS_CFV_FIRMWARE_UNKNOWN = 5;
}
