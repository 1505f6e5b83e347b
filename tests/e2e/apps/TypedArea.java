// A Swing text area titled by its first argument that writes its whole document, UTF-8, to the
// file named by its second argument once shown and after every change (through a temp file and
// a rename, so a reader never sees half a document).
import java.awt.BorderLayout;
import java.nio.charset.StandardCharsets;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import javax.swing.JFrame;
import javax.swing.JScrollPane;
import javax.swing.JTextArea;
import javax.swing.SwingUtilities;
import javax.swing.event.DocumentEvent;
import javax.swing.event.DocumentListener;

public class TypedArea {
    static void save(Path out, String text) {
        try {
            Path tmp = out.resolveSibling(out.getFileName() + ".tmp");
            Files.write(tmp, text.getBytes(StandardCharsets.UTF_8));
            Files.move(tmp, out, StandardCopyOption.REPLACE_EXISTING,
                    StandardCopyOption.ATOMIC_MOVE);
        } catch (Exception e) {
            e.printStackTrace();
        }
    }

    public static void main(String[] args) {
        final Path out = Path.of(args[1]);
        SwingUtilities.invokeLater(() -> {
            JFrame frame = new JFrame(args[0]);
            JTextArea area = new JTextArea(20, 60);
            area.getDocument().addDocumentListener(new DocumentListener() {
                public void insertUpdate(DocumentEvent e) { save(out, area.getText()); }
                public void removeUpdate(DocumentEvent e) { save(out, area.getText()); }
                public void changedUpdate(DocumentEvent e) { save(out, area.getText()); }
            });
            frame.getContentPane().add(new JScrollPane(area), BorderLayout.CENTER);
            frame.setDefaultCloseOperation(JFrame.EXIT_ON_CLOSE);
            frame.pack();
            frame.setVisible(true);
            area.requestFocusInWindow();
            save(out, "");
        });
    }
}
