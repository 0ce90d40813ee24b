package jpos;

/** MSR constants (UnifiedPOS values). */
public interface MSRConst {
    int MSR_ERT_CARD = 0;
    int MSR_ERT_TRACK = 1;

    int MSR_TR_1 = 1;
    int MSR_TR_2 = 2;
    int MSR_TR_3 = 4;
    int MSR_TR_4 = 8;
    int MSR_TR_1_2 = 3;
    int MSR_TR_1_3 = 5;
    int MSR_TR_2_3 = 6;
    int MSR_TR_1_2_3 = 7;
    int MSR_TR_1_2_3_4 = 15;

    int JPOS_EMSR_START = 201;
    int JPOS_EMSR_END = 202;
    int JPOS_EMSR_PARITY = 203;
    int JPOS_EMSR_LRC = 204;
}
