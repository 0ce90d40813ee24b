package jpos;

/** Scanner symbology codes (UnifiedPOS values). */
public interface ScannerConst {
    int SCAN_SDT_UNKNOWN = 0;
    int SCAN_SDT_UPCA = 101;
    int SCAN_SDT_UPCE = 102;
    int SCAN_SDT_JAN8 = 103;
    int SCAN_SDT_EAN8 = 103;
    int SCAN_SDT_JAN13 = 104;
    int SCAN_SDT_EAN13 = 104;
    int SCAN_SDT_TF = 105;
    int SCAN_SDT_ITF = 106;
    int SCAN_SDT_Codabar = 107;
    int SCAN_SDT_Code39 = 108;
    int SCAN_SDT_Code93 = 109;
    int SCAN_SDT_Code128 = 110;
    int SCAN_SDT_UPCA_S = 111;
    int SCAN_SDT_UPCE_S = 112;
    int SCAN_SDT_UPCD1 = 113;
    int SCAN_SDT_UPCD2 = 114;
    int SCAN_SDT_UPCD3 = 115;
    int SCAN_SDT_UPCD4 = 116;
    int SCAN_SDT_UPCD5 = 117;
    int SCAN_SDT_EAN8_S = 118;
    int SCAN_SDT_EAN13_S = 119;
    int SCAN_SDT_EAN128 = 120;
    int SCAN_SDT_OCRA = 121;
    int SCAN_SDT_OCRB = 122;
    int SCAN_SDT_RSS14 = 131;
    int SCAN_SDT_RSS_EXPANDED = 132;
    int SCAN_SDT_PDF417 = 201;
    int SCAN_SDT_MAXICODE = 202;
    int SCAN_SDT_OTHER = 501;
}
