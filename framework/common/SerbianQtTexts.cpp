#include <framework/common/SerbianQtTexts.h>

namespace {

struct Text {
    const char *source;
    const char *serbian;
};

// Qt's texts as Qt writes them, whatever class shows them: the same words read the same
// in every window.
constexpr Text kTexts[] = {
    // Standard buttons and message boxes.
    {"OK", "U redu"},
    {"&OK", "&U redu"},
    {"Cancel", "Otkaži"},
    {"&Cancel", "&Otkaži"},
    {"Close", "Zatvori"},
    {"&Close", "&Zatvori"},
    {"Save", "Sačuvaj"},
    {"Save All", "Sačuvaj sve"},
    {"Open", "Otvori"},
    {"&Yes", "&Da"},
    {"Yes to &All", "Da za &sve"},
    {"&No", "&Ne"},
    {"N&o to All", "N&e za sve"},
    {"Abort", "Prekini"},
    {"Retry", "Pokušaj ponovo"},
    {"Ignore", "Zanemari"},
    {"Discard", "Odbaci"},
    {"Help", "Pomoć"},
    {"Apply", "Primeni"},
    {"Reset", "Poništi"},
    {"Restore Defaults", "Vrati podrazumevano"},
    {"Don't Save", "Nemoj sačuvati"},
    {"Close without Saving", "Zatvori bez čuvanja"},
    {"Show Details...", "Prikaži detalje..."},
    {"Hide Details...", "Sakrij detalje..."},
    // The file dialog and its list of files.
    {"Look in:", "Traži u:"},
    {"File &name:", "&Naziv datoteke:"},
    {"Files of type:", "Vrsta datoteka:"},
    {"&Open", "&Otvori"},
    {"&Save", "&Sačuvaj"},
    {"Save As", "Sačuvaj kao"},
    {"&Choose", "&Izaberi"},
    {"Directory:", "Folder:"},
    {"Find Directory", "Izbor foldera"},
    {"Back", "Nazad"},
    {"Forward", "Napred"},
    {"Go back", "Idi nazad"},
    {"Go forward", "Idi napred"},
    {"Parent Directory", "Nadređeni folder"},
    {"Go to the parent directory", "Idi u nadređeni folder"},
    {"Create New Folder", "Napravi novi folder"},
    {"Create a New Folder", "Napravi novi folder"},
    {"List View", "Lista"},
    {"Detail View", "Detalji"},
    {"Change to list view mode", "Prikaži kao listu"},
    {"Change to detail view mode", "Prikaži sa detaljima"},
    {"New Folder", "Novi folder"},
    {"&New Folder", "&Novi folder"},
    {"&Rename", "&Preimenuj"},
    {"&Delete", "&Obriši"},
    {"Show &hidden files", "Prikaži &skrivene datoteke"},
    {"Recent Places", "Nedavna mesta"},
    {"Sidebar", "Bočna traka"},
    {"Are you sure you want to delete '%1'?", "Da li zaista želite da obrišete '%1'?"},
    {"%1 already exists.\nDo you want to replace it?", "%1 već postoji.\nDa li želite da je zamenite?"},
    {"All Files (*)", "Sve datoteke (*)"},
    {"Name", "Naziv"},
    {"Size", "Veličina"},
    {"Type", "Vrsta"},
    {"Kind", "Vrsta"},
    {"Date Modified", "Izmenjeno"},
    {"Computer", "Računar"},
    {"My Computer", "Računar"},
    {"File Folder", "Folder"},
    {"Folder", "Folder"},
    {"Drive", "Disk"},
    {"Unknown", "Nepoznato"},
    {"%1 File", "Datoteka %1"},
    // The edit menu of text fields.
    {"&Undo", "&Poništi"},
    {"&Redo", "&Ponovi"},
    {"Cu&t", "Ise&ci"},
    {"&Copy", "&Kopiraj"},
    {"&Paste", "&Nalepi"},
    {"Delete", "Obriši"},
    {"Select All", "Izaberi sve"},
    // The command line's --help and its complaints.
    {"Usage: %1", "Upotreba: %1"},
    {"[options]", "[opcije]"},
    {"Options:", "Opcije:"},
    {"Arguments:", "Argumenti:"},
    {"Displays help on commandline options.", "Prikazuje pomoć o opcijama komandne linije."},
    {"Displays help including Qt specific options.", "Prikazuje pomoć sa opcijama grafičke biblioteke."},
    {"Displays version information.", "Prikazuje verziju programa."},
    {"Unknown option '%1'.", "Nepoznata opcija '%1'."},
    {"Unknown options: %1.", "Nepoznate opcije: %1."},
    {"Missing value after '%1'.", "Nedostaje vrednost posle '%1'."},
    {"Unexpected value after '%1'.", "Neočekivana vrednost posle '%1'."},
};

} // namespace

SerbianQtTexts::SerbianQtTexts(QObject *parent)
    : QTranslator(parent)
{
    for (const Text &text : kTexts)
        m_texts.insert(QByteArray(text.source), QString::fromUtf8(text.serbian));
}

QString SerbianQtTexts::translate(const char *, const char *sourceText, const char *, int) const
{
    return sourceText ? m_texts.value(QByteArray(sourceText)) : QString();
}
