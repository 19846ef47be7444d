// The options: the lines of the uci reply, and setoption.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "engine/syzygy.h"
#include "interface/interface.h"

namespace velkar {

namespace {

constexpr std::string_view AdresseMoteur = "https://velkar.example.org/";

// Option names and check values are compared without regard to case.
bool Egal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view SansBlancs(std::string_view t) {
    while (!t.empty() && EstBlanc(t.front())) t.remove_prefix(1);
    while (!t.empty() && EstBlanc(t.back())) t.remove_suffix(1);
    return t;
}

void TailleHash(TVelkar& Moteur, std::string_view Texte, TEcritFonction Ecrit) {
    int64_t Valeur = 0;
    if (!LitEntier(Texte, Valeur)) Valeur = 0;
    if (Valeur < 2 || Valeur > 4096) Valeur = TailleHashDefaut;
    const int64_t NbEntrees = Valeur * 1048576 / 16;
    TTableTransposition& Table = Moteur.Tables.Transposition;
    if (static_cast<uint64_t>(NbEntrees) == Table.NbEntrees()) return;
    if (!Moteur.RedimensionneHash(NbEntrees)) {
        Ecrit("info string not enough memory for a hash table of " + std::to_string(Valeur) + " MB, keeping " +
              std::to_string(Table.NbEntrees() * 16 / 1048576) + " MB");
        return;
    }
    Moteur.Tables.Vide();
    Table.RemetRemplissage();
}

// A spin value: a number outside the range is brought into it, and text
// that is not a number leaves the option as it was; both are said.
void Spin(std::string_view Nom, std::string_view Texte, int32_t Min, int32_t Max, int32_t& Option,
          TEcritFonction Ecrit) {
    int64_t Valeur = 0;
    if (!LitEntier(Texte, Valeur)) {
        Ecrit("info string " + std::string(Nom) + " needs a number, keeping " + std::to_string(Option));
        return;
    }
    Option = static_cast<int32_t>(std::clamp<int64_t>(Valeur, Min, Max));
    if (Option != Valeur)
        Ecrit("info string " + std::string(Nom) + " " + std::to_string(Valeur) + " is out of range, using " +
              std::to_string(Option));
}

// A check value: true or false; anything else leaves the option as it was.
void Check(std::string_view Nom, std::string_view Texte, bool& Option, TEcritFonction Ecrit) {
    if (Egal(Texte, "true") || Egal(Texte, "false")) {
        Option = Egal(Texte, "true");
    } else {
        Ecrit("info string " + std::string(Nom) + " is true or false, keeping " + (Option ? "true" : "false"));
    }
}

// The directories of the endgame tables; empty or <empty> for none.
void CheminTables(std::string_view Chemin, TEcritFonction Ecrit) {
    if (Chemin == "<empty>") Chemin = {};
    if (Chemin.size() > 4096) {
        Ecrit("info string SyzygyPath is too long (" + std::to_string(Chemin.size()) + " characters), no tables");
        ChargeTablesFinales("");
        return;
    }
    // Say which directories are not there; the others are still read.
#if defined(_WIN32)
    constexpr char Separateur = ';';
#else
    constexpr char Separateur = ':';
#endif
    bool UnDossier = false;
    for (std::string_view Reste = Chemin; !Reste.empty();) {
        const size_t Fin = std::min(Reste.find(Separateur), Reste.size());
        const std::string Dossier(Reste.substr(0, Fin));
        std::error_code Erreur;
        if (std::filesystem::is_directory(Dossier, Erreur)) {
            UnDossier = true;
        } else if (!Dossier.empty()) {
            Ecrit("info string SyzygyPath: " + Dossier + " is not a directory");
        }
        Reste.remove_prefix(std::min(Fin + 1, Reste.size()));
    }
    const int32_t Pieces = ChargeTablesFinales(UnDossier ? std::string(Chemin) : std::string());
    if (Chemin.empty()) return;
    if (Pieces > 0) {
        Ecrit("info string endgame tables of up to " + std::to_string(Pieces) + " pieces found");
    } else {
        Ecrit("info string no endgame table found in " + std::string(Chemin));
    }
}

}  // namespace

void EcritOptions(TEcritFonction Ecrit) {
    Ecrit("option name Hash type spin min 2 max 4096 default " + std::to_string(TailleHashDefaut));
    Ecrit("option name Ponder type check default true");
    Ecrit(std::string("option name UCI_EngineAbout type string default ") + std::string(AdresseMoteur));
    Ecrit("option name Move Overhead type spin default 0 min 0 max 5000");
    Ecrit("option name MultiPV type spin default 1 min 1 max 256");
    Ecrit("option name UCI_Chess960 type check default false");
    Ecrit("option name Clear Hash type button");
    Ecrit("option name UCI_ShowWDL type check default false");
    Ecrit("option name Threads type spin default 1 min 1 max 256");
    Ecrit("option name UCI_LimitStrength type check default false");
    Ecrit("option name UCI_Elo type spin default " + std::to_string(EloMax) + " min " + std::to_string(EloMin) +
          " max " + std::to_string(EloMax));
    if (TablesFinalesCompilees()) Ecrit("option name SyzygyPath type string default <empty>");
}

void Option(TVelkar& Moteur, std::string_view Ligne, TEcritFonction Ecrit) {
    // "setoption name NAME [value VALUE]"; a name may hold blanks.
    std::string_view Reste = Ligne.substr(Ligne.find("name ") + 5);
    std::string_view Valeur;
    const size_t Separation = Reste.find(" value ");
    const bool AvecValeur = Separation != std::string_view::npos;
    if (AvecValeur) {
        Valeur = SansBlancs(Reste.substr(Separation + 7));
        Reste = Reste.substr(0, Separation);
    }
    const std::string_view Nom = SansBlancs(Reste);
    if (Egal(Nom, "SyzygyPath") && TablesFinalesCompilees()) {
        CheminTables(AvecValeur ? Valeur : std::string_view(), Ecrit);
        return;
    }
    TReglages& Reglages = Moteur.Chercheur.Reglages;
    if (Egal(Nom, "Clear Hash")) {
        Moteur.ViderTables();
    } else if (!AvecValeur) {
        return;  // every other option needs a value
    } else if (Egal(Nom, "Hash")) {
        TailleHash(Moteur, Valeur, Ecrit);
    } else if (Egal(Nom, "Move Overhead")) {
        Spin("Move Overhead", Valeur, 0, 5000, Reglages.MoveOverhead, Ecrit);
    } else if (Egal(Nom, "MultiPV")) {
        Spin("MultiPV", Valeur, 1, 256, Reglages.MultiPV, Ecrit);
    } else if (Egal(Nom, "UCI_Chess960")) {
        bool Chess960 = Moteur.Position().Chess960;
        Check("UCI_Chess960", Valeur, Chess960, Ecrit);
        if (Chess960 != Moteur.Position().Chess960) {
            // The castling rights on the board belong to one kind of chess:
            // a new game from the start position for the other.
            Moteur.Position().Chess960 = Chess960;
            Moteur.InitialiserPartie();
        }
    } else if (Egal(Nom, "Threads")) {
        int32_t Nombre = Moteur.Equipe.NbAuxiliaires() + 1;
        Spin("Threads", Valeur, 1, 256, Nombre, Ecrit);
        if (Nombre != Moteur.Equipe.NbAuxiliaires() + 1) {
            const int32_t Obtenus = Moteur.ChangeFils(Nombre);
            if (Obtenus < Nombre)
                Ecrit("info string the system gave " + std::to_string(Obtenus) + " of " + std::to_string(Nombre) +
                      " threads");
        }
    } else if (Egal(Nom, "UCI_LimitStrength")) {
        Check("UCI_LimitStrength", Valeur, Reglages.LimiteForce, Ecrit);
    } else if (Egal(Nom, "UCI_Elo")) {
        Spin("UCI_Elo", Valeur, EloMin, EloMax, Reglages.Elo, Ecrit);
    } else if (Egal(Nom, "UCI_ShowWDL")) {
        Check("UCI_ShowWDL", Valeur, Reglages.AfficheWdl, Ecrit);
    }
    // Ponder, UCI_EngineAbout and names of no option: nothing to do.
}

}  // namespace velkar
