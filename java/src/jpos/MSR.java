package jpos;

import com.orv.jpos.msr.MsrOPOSEventCallbacks;
import com.orv.sim.DeviceKind;
import com.orv.sim.device.MsrService;
import com.orv.sim.msr.CardData;
import java.nio.charset.StandardCharsets;
import java.util.function.Function;

/** The magnetic stripe reader control. */
public class MSR extends BaseJposInputControl implements MSRConst {
    public MSR() {
        super(DeviceKind.MSR, new MsrOPOSEventCallbacks());
    }

    private MsrService msr(String method) throws JposException {
        return svc(method, MsrService.class);
    }

    private String field(String method, Function<CardData, String> f) throws JposException {
        return f.apply(msr(method).getCard());
    }

    public boolean getCapISO() throws JposException {
        return fixed("getCapISO", true);
    }

    public boolean getCapJISOne() throws JposException {
        return fixed("getCapJISOne", false);
    }

    public boolean getCapJISTwo() throws JposException {
        return fixed("getCapJISTwo", false);
    }

    public boolean getCapTransmitSentinels() throws JposException {
        return fixed("getCapTransmitSentinels", true);
    }

    public boolean getDecodeData() throws JposException {
        return msr("getDecodeData").getDecodeData();
    }

    public void setDecodeData(boolean decodeData) throws JposException {
        msr("setDecodeData").setDecodeData(decodeData);
    }

    public boolean getParseDecodeData() throws JposException {
        return msr("getParseDecodeData").getParseDecodeData();
    }

    public void setParseDecodeData(boolean parseDecodeData) throws JposException {
        msr("setParseDecodeData").setParseDecodeData(parseDecodeData);
    }

    public int getTracksToRead() throws JposException {
        return msr("getTracksToRead").getTracksToRead();
    }

    public void setTracksToRead(int tracksToRead) throws JposException {
        msr("setTracksToRead").setTracksToRead(tracksToRead);
    }

    public int getErrorReportingType() throws JposException {
        return msr("getErrorReportingType").getErrorReportingType();
    }

    public void setErrorReportingType(int errorReportingType) throws JposException {
        msr("setErrorReportingType").setErrorReportingType(errorReportingType);
    }

    public boolean getTransmitSentinels() throws JposException {
        return msr("getTransmitSentinels").getTransmitSentinels();
    }

    public void setTransmitSentinels(boolean transmitSentinels) throws JposException {
        msr("setTransmitSentinels").setTransmitSentinels(transmitSentinels);
    }

    public String getAccountNumber() throws JposException {
        return field("getAccountNumber", CardData::accountNumber);
    }

    public String getExpirationDate() throws JposException {
        return field("getExpirationDate", CardData::expirationDate);
    }

    public String getFirstName() throws JposException {
        return field("getFirstName", CardData::firstName);
    }

    public String getMiddleInitial() throws JposException {
        return field("getMiddleInitial", CardData::middleInitial);
    }

    public String getServiceCode() throws JposException {
        return field("getServiceCode", CardData::serviceCode);
    }

    public String getSuffix() throws JposException {
        return field("getSuffix", CardData::suffix);
    }

    public String getSurname() throws JposException {
        return field("getSurname", CardData::surname);
    }

    public String getTitle() throws JposException {
        return field("getTitle", CardData::title);
    }

    public byte[] getTrack1Data() throws JposException {
        return msr("getTrack1Data").getTrackData(1);
    }

    public byte[] getTrack2Data() throws JposException {
        return msr("getTrack2Data").getTrackData(2);
    }

    public byte[] getTrack3Data() throws JposException {
        return msr("getTrack3Data").getTrackData(3);
    }

    public byte[] getTrack4Data() throws JposException {
        return msr("getTrack4Data").getTrackData(4);
    }

    public byte[] getTrack1DiscretionaryData() throws JposException {
        return msr("getTrack1DiscretionaryData").getTrack1DiscretionaryData();
    }

    public byte[] getTrack2DiscretionaryData() throws JposException {
        return msr("getTrack2DiscretionaryData").getTrack2DiscretionaryData();
    }

    /** Track data as text, for people reading a log. */
    public static String text(byte[] data) {
        return new String(data, StandardCharsets.ISO_8859_1);
    }
}
