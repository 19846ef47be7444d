// The options: each declared once, in one table that writes the lines of
// the uci reply and carries out setoption.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "interface/interface.h"

namespace velkar {

namespace {

constexpr std::string_view AdresseMoteur = "https://velkar.example.org/";

enum class TGenreOption { Spin, Check, Bouton, Chaine };

struct TOption {
    std::string_view Nom;
    TGenreOption Genre;
    int32_t Defaut, Min, Max;  // a spin's range, a check's default (0 or 1)
    std::string_view Texte;    // a string's default
    // The current value of a spin or a check, and what setting a valid one
    // does; an option without them is accepted and ignored.
    int32_t (*Valeur)(const TSession&);
    void (*Regle)(TSession&, int32_t);
    // What setting it does with the text given (empty without a value),
    // for the options whose text is read in a way of their own.
    void (*RegleTexte)(TSession&, std::string_view);
};

// Option names and check values are compared without regard to case.
bool Egal(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

// Hash: a value outside its range, or text that is not a number, selects
// the default size, as it always has.
void TailleHash(TSession& S, std::string_view Texte) {
    int64_t Valeur = 0;
    if (!LitEntier(Texte, Valeur)) Valeur = 0;
    if (Valeur < TVelkar::HashMin || Valeur > TVelkar::HashMax) Valeur = TVelkar::HashDefaut;
    if (!S.Moteur.RedimensionneHash(static_cast<int32_t>(Valeur)))
        S.Ecrit("info string not enough memory for a hash table of " + std::to_string(Valeur) + " MB, keeping " +
                std::to_string(S.Moteur.TailleHash()) + " MB");
}

void ChangeFils(TSession& S, int32_t Nombre) {
    if (Nombre == S.Moteur.NbFils()) return;
    const int32_t Obtenus = S.Moteur.ChangeFils(Nombre);
    if (Obtenus < Nombre)
        S.Ecrit("info string the system gave " + std::to_string(Obtenus) + " of " + std::to_string(Nombre) +
                " threads");
}

// The castling rights of the board belong to one kind of chess: the game is
// read again, from its beginning, in the other.  A move it cannot read
// there (castling is written differently) is reported and ends it.
void ChangeChess960(TSession& S, int32_t Chess960) {
    if ((Chess960 != 0) == S.Moteur.Chess960()) return;
    S.Moteur.ChangeChess960(Chess960 != 0);
    ReprendPartie(S);
}

// The directories of the endgame tables; empty or <empty> for none.
void CheminTables(TSession& S, std::string_view Chemin) {
    if (Chemin == "<empty>") Chemin = {};
    if (Chemin.size() > 4096) {
        S.Ecrit("info string SyzygyPath is too long (" + std::to_string(Chemin.size()) + " characters), no tables");
        S.Moteur.ChargeTablesFinales("");
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
            S.Ecrit("info string SyzygyPath: " + Dossier + " is not a directory");
        }
        Reste.remove_prefix(std::min(Fin + 1, Reste.size()));
    }
    // Table files that do not hold together are left out, each said.
    const std::string Dossiers = UnDossier ? std::string(Chemin) : std::string();
    const int32_t Pieces = S.Moteur.ChargeTablesFinales(Dossiers, [&S](const std::string& Ligne) {
        // The prober writes some of its own lines for an interface already:
        // their prefix is said once.
        std::string Texte = Ligne;
        if (const size_t k = Texte.find("info string "); k != std::string::npos) Texte.erase(k, 12);
        S.Ecrit("info string " + Texte);
    });
    if (Chemin.empty()) return;
    if (Pieces > 0) {
        S.Ecrit("info string endgame tables of up to " + std::to_string(Pieces) + " pieces found");
    } else {
        S.Ecrit("info string no endgame table found in " + std::string(Chemin));
    }
}

using G = TGenreOption;
// clang-format off
const TOption Options[] = {
    {"Hash", G::Spin, TVelkar::HashDefaut, TVelkar::HashMin, TVelkar::HashMax, {}, nullptr, nullptr, TailleHash},
    {"Ponder", G::Check, 1, 0, 1, {}, nullptr, nullptr, nullptr},
    {"UCI_EngineAbout", G::Chaine, 0, 0, 0, AdresseMoteur, nullptr, nullptr, nullptr},
    {"Move Overhead", G::Spin, 0, 0, 5000, {},
     [](const TSession& S) { return S.Reglages.MoveOverhead; },
     [](TSession& S, int32_t v) { S.Reglages.MoveOverhead = v; }, nullptr},
    {"MultiPV", G::Spin, 1, 1, 256, {},
     [](const TSession& S) { return S.Reglages.MultiPV; },
     [](TSession& S, int32_t v) { S.Reglages.MultiPV = v; }, nullptr},
    {"UCI_Chess960", G::Check, 0, 0, 1, {},
     [](const TSession& S) { return int32_t{S.Moteur.Chess960()}; }, ChangeChess960, nullptr},
    {"Clear Hash", G::Bouton, 0, 0, 0, {}, nullptr, nullptr,
     [](TSession& S, std::string_view) { S.Moteur.ViderTables(); }},
    {"UCI_ShowWDL", G::Check, 0, 0, 1, {},
     [](const TSession& S) { return int32_t{S.AfficheWdl}; },
     [](TSession& S, int32_t v) { S.AfficheWdl = v != 0; }, nullptr},
    {"Threads", G::Spin, 1, 1, TVelkar::FilsMax, {},
     [](const TSession& S) { return S.Moteur.NbFils(); }, ChangeFils, nullptr},
    {"UCI_LimitStrength", G::Check, 0, 0, 1, {},
     [](const TSession& S) { return int32_t{S.Reglages.LimiteForce}; },
     [](TSession& S, int32_t v) { S.Reglages.LimiteForce = v != 0; }, nullptr},
    {"UCI_Elo", G::Spin, EloMax, EloMin, EloMax, {},
     [](const TSession& S) { return S.Reglages.Elo; },
     [](TSession& S, int32_t v) { S.Reglages.Elo = v; }, nullptr},
    // Only in a build that can read endgame tables (see EstOffert).
    {"SyzygyPath", G::Chaine, 0, 0, 0, "<empty>", nullptr, nullptr, CheminTables},
};
// clang-format on

bool EstOffert(const TOption& o) { return o.Nom != "SyzygyPath" || TVelkar::TablesFinalesCompilees(); }

// A spin value: a number outside the range is brought into it, and text
// that is not a number leaves the option as it was; both are said.
void RegleSpin(TSession& S, const TOption& o, std::string_view Texte) {
    int64_t Valeur = 0;
    if (!LitEntier(Texte, Valeur)) {
        S.Ecrit("info string " + std::string(o.Nom) + " needs a number, keeping " + std::to_string(o.Valeur(S)));
        return;
    }
    const int32_t Pris = static_cast<int32_t>(std::clamp<int64_t>(Valeur, o.Min, o.Max));
    if (Pris != Valeur)
        S.Ecrit("info string " + std::string(o.Nom) + " " + std::string(Texte) + " is out of range, using " +
                std::to_string(Pris));
    o.Regle(S, Pris);
}

// A check value: true or false; anything else leaves the option as it was.
void RegleCheck(TSession& S, const TOption& o, std::string_view Texte) {
    if (Egal(Texte, "true") || Egal(Texte, "false")) {
        o.Regle(S, Egal(Texte, "true") ? 1 : 0);
    } else {
        S.Ecrit("info string " + std::string(o.Nom) + " is true or false, keeping " +
                (o.Valeur(S) != 0 ? "true" : "false"));
    }
}

}  // namespace

void EcritOptions(TEcritFonction Ecrit) {
    for (const TOption& o : Options) {
        if (!EstOffert(o)) continue;
        const std::string Debut = "option name " + std::string(o.Nom) + " type ";
        switch (o.Genre) {
            case G::Spin:
                // The Hash line gives its range before its default, as it
                // always has.
                if (o.Nom == "Hash") {
                    Ecrit(Debut + "spin min " + std::to_string(o.Min) + " max " + std::to_string(o.Max) + " default " +
                          std::to_string(o.Defaut));
                } else {
                    Ecrit(Debut + "spin default " + std::to_string(o.Defaut) + " min " + std::to_string(o.Min) +
                          " max " + std::to_string(o.Max));
                }
                break;
            case G::Check: Ecrit(Debut + "check default " + (o.Defaut != 0 ? "true" : "false")); break;
            case G::Bouton: Ecrit(Debut + "button"); break;
            case G::Chaine: Ecrit(Debut + "string default " + std::string(o.Texte)); break;
        }
    }
}

void Option(TSession& S, std::string_view Ligne) {
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
    const TOption* o = nullptr;
    for (const TOption& x : Options)
        if (EstOffert(x) && Egal(Nom, x.Nom)) o = &x;
    if (o == nullptr) return;  // names of no option: nothing to do
    // A button needs no value, nor does a string (none: empty); every other
    // option does.
    if (o->Genre == G::Bouton || o->Genre == G::Chaine) {
        if (o->RegleTexte != nullptr) o->RegleTexte(S, Valeur);
        return;
    }
    if (!AvecValeur) return;
    if (o->RegleTexte != nullptr) {
        o->RegleTexte(S, Valeur);
    } else if (o->Regle == nullptr) {
        return;  // accepted and ignored
    } else if (o->Genre == G::Spin) {
        RegleSpin(S, *o, Valeur);
    } else {
        RegleCheck(S, *o, Valeur);
    }
}

}  // namespace velkar
