package com.orv.sim.msr;

/**
 * The ISO 7813 fields of a financial card, parsed from track 1
 * ("B" PAN "^" SURNAME [SUFFIX] "/" FIRST [MI] ["." TITLE] "^" YYMM SERVICE DISCRETIONARY)
 * or, when it has none, from track 2 (PAN "=" YYMM SERVICE DISCRETIONARY).
 */
public record CardData(String accountNumber, String expirationDate, String serviceCode,
                       String surname, String suffix, String firstName, String middleInitial,
                       String title, String track1Discretionary, String track2Discretionary) {
    public static final CardData EMPTY = new CardData("", "", "", "", "", "", "", "", "", "");

    /** Parses the track texts without sentinels; fields that are not there stay empty. */
    public static CardData parse(String track1, String track2) {
        String account = "", exp = "", svc = "", surname = "", suffix = "", first = "", mi = "",
                title = "", disc1 = "", disc2 = "";
        if (track1 != null && track1.length() > 1 && track1.charAt(0) == 'B') {
            String[] f = track1.substring(1).split("\\^", 3);
            account = f[0];
            if (f.length > 1) {
                String nameField = f[1];
                String last = nameField;
                String rest = "";
                int slash = nameField.indexOf('/');
                if (slash >= 0) {
                    last = nameField.substring(0, slash);
                    rest = nameField.substring(slash + 1);
                }
                int dot = rest.indexOf('.');
                if (dot >= 0) {
                    title = rest.substring(dot + 1).trim();
                    rest = rest.substring(0, dot);
                }
                String[] given = rest.trim().split(" +");
                first = given.length > 0 ? given[0] : "";
                mi = given.length > 1 ? given[1] : "";
                String[] lastParts = last.trim().split(" +");
                surname = lastParts[0];
                suffix = lastParts.length > 1 ? lastParts[1] : "";
            }
            if (f.length > 2) {
                String tail = f[2];
                exp = cut(tail, 0, 4);
                svc = cut(tail, 4, 7);
                disc1 = tail.length() > 7 ? tail.substring(7) : "";
            }
        }
        if (track2 != null && !track2.isEmpty()) {
            int eq = track2.indexOf('=');
            String pan = eq < 0 ? track2 : track2.substring(0, eq);
            String tail = eq < 0 ? "" : track2.substring(eq + 1);
            if (account.isEmpty()) {
                account = pan;
                exp = cut(tail, 0, 4);
                svc = cut(tail, 4, 7);
            }
            disc2 = tail.length() > 7 ? tail.substring(7) : "";
        }
        return new CardData(account, exp, svc, surname, suffix, first, mi, title, disc1, disc2);
    }

    private static String cut(String s, int from, int to) {
        return s.length() >= to ? s.substring(from, to) : s.length() > from ? s.substring(from) : "";
    }
}
