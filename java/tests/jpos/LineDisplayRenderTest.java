package jpos;

import static com.orv.testing.Jpos.closeQuietly;
import static com.orv.testing.Jpos.fails;
import static com.orv.testing.Jpos.ready;
import static org.junit.jupiter.api.Assertions.assertEquals;
import static org.junit.jupiter.api.Assertions.assertTrue;

import com.orv.sim.Sim;
import com.orv.sim.SimControl;
import com.orv.testing.Jpos;
import java.nio.file.Files;
import java.nio.file.Path;
import java.util.List;
import org.junit.jupiter.api.AfterEach;
import org.junit.jupiter.api.BeforeEach;
import org.junit.jupiter.api.Test;

/** The display as a person sees it: frame, attribute marks, windows, descriptors, bitmap, glyph dots. */
class LineDisplayRenderTest {
    private static final String EDGE = "+" + "-".repeat(20) + "+";
    private LineDisplay d;

    @BeforeEach
    void open() throws Exception {
        Sim.reset();
        d = ready(new LineDisplay(), "L1");
    }

    @AfterEach
    void close() {
        closeQuietly(d);
    }

    private static String row(String text) {
        return "|" + String.format("%-20s", text) + "|";
    }

    @Test
    void rowsCarryTheirBlinkAndReverseMarks() throws Exception {
        d.displayText("plain", LineDisplayConst.DISP_DT_NORMAL);
        d.displayTextAt(1, 0, "bl", LineDisplayConst.DISP_DT_BLINK);
        d.displayText("rv", LineDisplayConst.DISP_DT_REVERSE);
        d.displayText("xx", LineDisplayConst.DISP_DT_BLINK_REVERSE);
        assertEquals(List.of(EDGE, row("plain"), row("blrvxx") + " bbrrxx", row(""), row(""), EDGE),
                Sim.render("L1"));
        String shown = SimControl.command("show L1");
        assertTrue(shown.contains(row("blrvxx") + " bbrrxx"), shown);
    }

    @Test
    void windowsDescriptorsBitmapsAndGlyphsAreListedUnderTheFrame() throws Exception {
        d.createWindow(3, 10, 1, 10, 1, 30);
        d.setDescriptor(2, LineDisplayConst.DISP_SD_ON);
        d.setDescriptor(5, LineDisplayConst.DISP_SD_BLINK);
        Path bmp = Jpos.work().resolve("render.bmp");
        Files.writeString(bmp, "BM");
        d.setBitmap(3, bmp.toString(), LineDisplayConst.DISP_BM_ASIS, LineDisplayConst.DISP_BM_LEFT,
                LineDisplayConst.DISP_BM_TOP);
        d.defineGlyph(0xE5, 0b10001_01010_00100_01010_10001_00000);
        d.displayText("A\u00e5\u001b|3B", 0);
        List<String> r = Sim.render("L1");
        assertEquals(row("          A\u00e5"), r.get(4));
        assertEquals(List.of("window 1*: viewport 3,10 1x10, text 1x30 from 0,0", "descriptors: 2=on 5=blink",
                "bitmap: " + bmp, "glyph E5: #...# .#.#. ..#.. .#.#. #...# ....."), r.subList(6, r.size()));
    }

    @Test
    void aRefusedTextLeavesTheScreenAsItWas() throws Exception {
        d.displayText("keep", 0);
        List<String> before = Sim.render("L1");
        fails(JposConst.JPOS_E_ILLEGAL, () -> d.displayText("lost\u001b|9Bmore", 0));
        assertEquals(before, Sim.render("L1"));
        // A sequence cut off at the end is dropped; a lone ESC is a character the set lacks.
        d.displayText("A\u001b|", 0);
        d.displayText("B\u001b", 0);
        assertEquals(row("keepAB?"), Sim.render("L1").get(1));
    }
}
