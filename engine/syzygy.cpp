#include "syzygy.h"

#if defined(VELKAR_SYZYGY)
#include <stdlib.h>
#include <tbprobe.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <system_error>
#include <vector>

#include "syzygy_controle.h"
#endif

namespace velkar {

#if defined(VELKAR_SYZYGY)
// Few enough pieces, and no castling right left (the tables know none).
bool TTablesFinales::Couverte(const TPosition& Pos) const {
    return PiecesChargees > 0 && Pos.NbPiecesBlanches + Pos.NbPiecesNoires <= PiecesChargees &&
           Pos.RoqueBlancPetit == -1 && Pos.RoqueBlancGrand == -1 && Pos.RoqueNoirPetit == -1 &&
           Pos.RoqueNoirGrand == -1;
}
#endif

namespace {

#if defined(VELKAR_SYZYGY)

// The position as the prober takes it: square sets (a1 = bit 0), by colour
// and by kind.
struct TEnsembles {
    uint64_t Blancs = 0, Noirs = 0, Rois = 0, Dames = 0, Tours = 0, Fous = 0, Cavaliers = 0, Pions = 0;
    unsigned EnPassant = 0;
    explicit TEnsembles(const TPosition& Pos) {
        uint64_t* Genres[7] = {nullptr, &Pions, &Cavaliers, &Fous, &Tours, &Dames, &Rois};  // by kind
        for (int32_t p = 1; p <= RoiNoir; ++p) {
            const int32_t c = Pos.Pieces[p].CasePiece;
            if (c < 1 || c > 64) continue;
            const uint64_t b = uint64_t{1} << (c - 1);
            (EstBlanche(p) ? Blancs : Noirs) |= b;
            *Genres[Pos.Pieces[p].TypePiece] |= b;
        }
        if (Pos.CaseEnPassant >= 1) EnPassant = static_cast<unsigned>(Pos.CaseEnPassant - 1);
    }
};

// What the prober prints while it loads or releases tables (its complaints
// about unmapping, files it finds incomplete) must not reach the interface
// as lines it cannot read, nor the error output: both descriptors point at
// a temporary file while Action runs, and what was written is returned.
template <typename F>
std::string CaptureSorties(F Action) {
    std::fflush(stdout);
    std::fflush(stderr);
    FILE* Fichier = std::tmpfile();
    if (Fichier == nullptr) Fichier = std::fopen("/dev/null", "w+");  // then lost, but not shown
    const int Sortie = dup(1), Erreur = dup(2);
    const bool Detourne = Fichier != nullptr && Sortie >= 0 && Erreur >= 0 && dup2(fileno(Fichier), 1) >= 0 &&
                          dup2(fileno(Fichier), 2) >= 0;
    Action();
    std::string Texte;
    if (Detourne) {
        // Its standard output is buffered: flushed while it still goes there.
        std::fflush(stdout);
        std::fflush(stderr);
    }
    if (Sortie >= 0) dup2(Sortie, 1);
    if (Erreur >= 0) dup2(Erreur, 2);
    if (Sortie >= 0) close(Sortie);
    if (Erreur >= 0) close(Erreur);
    if (Fichier != nullptr) {
        std::rewind(Fichier);
        char Tampon[4096];
        for (size_t n; (n = std::fread(Tampon, 1, sizeof Tampon, Fichier)) > 0;) Texte.append(Tampon, n);
        std::fclose(Fichier);
    }
    return Texte;
}

// The files of the path the prober is to get.
struct TChoixTables {
    std::map<std::string, std::string> Retenus;                // name -> file kept
    std::vector<std::pair<std::string, std::string>> Ecartes;  // file -> why it is left out
    int32_t SansBlocs = 0;                                     // files kept without their block tables checked
    // Every directory was read and no file left out: the prober may be
    // given the path itself.
    bool Complet = true;
};

// At most this many bytes of block tables are read at a load, the smallest
// files' first: every table up to five pieces, the smaller ones beyond.
constexpr uint64_t BudgetBlocs = uint64_t{64} << 20;

TChoixTables ChoisitFichiers(const std::string& Chemin) {
    namespace fs = std::filesystem;
    TChoixTables Choix;
    // Each table name's files in the order of the path: the prober opens
    // the first one it finds.
    std::map<std::string, std::vector<std::string>> ParNom;
    for (size_t Debut = 0; Debut <= Chemin.size();) {
        const size_t Fin = std::min(Chemin.find(':', Debut), Chemin.size());
        const std::string Dossier = Chemin.substr(Debut, Fin - Debut);
        Debut = Fin + 1;
        std::error_code e;
        if (Dossier.empty() || !fs::is_directory(Dossier, e)) continue;
        fs::directory_iterator i(Dossier, e), Bout;
        for (; !e && i != Bout; i.increment(e)) {
            const std::string Nom = i->path().filename().string();
            if (EstNomTable(Nom)) ParNom[Nom].push_back(i->path().string());
        }
        // A directory that cannot be listed may still hold files the prober
        // would open by name: it is not given the path then.
        if (e) Choix.Complet = false;
    }
    std::vector<std::pair<uint64_t, std::string>> ParTaille;
    for (const auto& [Nom, Fichiers] : ParNom) {
        std::error_code e;
        const uintmax_t Taille = fs::file_size(Fichiers[0], e);
        ParTaille.emplace_back(e ? 0 : static_cast<uint64_t>(Taille), Nom);
    }
    std::sort(ParTaille.begin(), ParTaille.end());
    uint64_t Budget = BudgetBlocs;
    for (const auto& [Taille, Nom] : ParTaille) {
        for (const std::string& Fichier : ParNom[Nom]) {
            const TControleTable c = ControleTable(Fichier, Nom, Budget);
            if (c.Bon) {
                Choix.Retenus[Nom] = fs::absolute(Fichier).string();
                Choix.SansBlocs += !c.BlocsLus;
                break;
            }
            Choix.Ecartes.emplace_back(Fichier, c.Raison);
            Choix.Complet = false;
        }
    }
    std::sort(Choix.Ecartes.begin(), Choix.Ecartes.end());
    return Choix;
}

// The private directory of links, in the temporary directory; the one in
// use is removed at exit (a killed engine leaves it behind: links only).
class TDossierPrive {
public:
    ~TDossierPrive() { Retire(EnUsage); }
    // A new directory linking each name to its file; empty, with the
    // reason, when it cannot be made.
    std::string Cree(const std::map<std::string, std::string>& Liens, std::string& Erreur) {
        namespace fs = std::filesystem;
        std::error_code e;
        std::string Modele = (fs::temp_directory_path(e) / "velkar-tables-XXXXXX").string();
        if (e) Modele = "/tmp/velkar-tables-XXXXXX";
        // The prober reads ':' as the end of a directory.
        if (Modele.find(':') != std::string::npos) {
            Erreur = "the temporary directory's name holds ':'";
            return {};
        }
        if (mkdtemp(Modele.data()) == nullptr) {
            Erreur = std::error_code(errno, std::generic_category()).message();
            return {};
        }
        for (const auto& [Nom, Fichier] : Liens) {
            fs::create_symlink(Fichier, fs::path(Modele) / Nom, e);
            if (e) {
                Erreur = e.message();
                Retire(Modele);
                return {};
            }
        }
        return Modele;
    }
    // The prober now reads Dossier (empty: the path itself); the directory
    // it read before goes.
    void Utilise(const std::string& Dossier) {
        if (Dossier != EnUsage) Retire(EnUsage);
        EnUsage = Dossier;
    }

private:
    static void Retire(const std::string& Dossier) {
        std::error_code e;
        if (!Dossier.empty()) std::filesystem::remove_all(Dossier, e);
    }
    std::string EnUsage;
};
TDossierPrive DossierPrive;

// What the prober library holds, which is the process's: the files it was
// set up with (the path, or the files kept from it) and the pieces they
// cover.  Only TTablesFinales::Charge reads and writes them.
std::string Signature;
int32_t PiecesDuChemin = 0;
#endif

}  // namespace

int32_t ScoreFinale(TResultatFinale Resultat, int32_t Eloignement) {
    if (Resultat == FinaleGagnee) return ScoreTablesFinales - Eloignement;
    if (Resultat == FinalePerdue) return -ScoreTablesFinales + Eloignement;
    return 0;
}

#if defined(VELKAR_SYZYGY)

bool TTablesFinales::Compilees() { return true; }

int32_t TTablesFinales::Charge(const std::string& Chemin, const TDitFonction& Dit) {
    CheminDonne = Chemin;
    // An empty path only stops the probes: releasing the tables is left to
    // the next path.
    if (Chemin.empty()) {
        PiecesChargees = 0;
        return 0;
    }
    const auto Dis = [&Dit](const std::string& Ligne) {
        if (Dit) Dit(Ligne);
    };
    const TChoixTables Choix = ChoisitFichiers(Chemin);
    for (const auto& [Fichier, Raison] : Choix.Ecartes) Dis("SyzygyPath: skipped " + Fichier + ": " + Raison);
    if (Choix.SansBlocs > 0)
        Dis("SyzygyPath: " + std::to_string(Choix.SansBlocs) +
            " large files checked on their header and size only, not on their block tables");

    // The prober is set up again only for other files: releasing tables it
    // has mapped makes it complain (about unmapping), and a search may have
    // warmed them.
    std::string Nouvelle = Choix.Complet ? Chemin : std::string(1, '\0');
    if (!Choix.Complet)
        for (const auto& [Nom, Fichier] : Choix.Retenus) Nouvelle += Nom + '\0' + Fichier + '\0';
    if (Nouvelle == Signature) {
        PiecesChargees = PiecesDuChemin;
        return PiecesChargees;
    }

    // Files to leave out: the prober finds tables by name in the directories
    // it is given, so it gets a directory of its own holding links to the
    // files kept.
    std::string Dossier = Chemin;
    if (!Choix.Complet) {
        std::string Erreur;
        Dossier = DossierPrive.Cree(Choix.Retenus, Erreur);
        if (Dossier.empty()) {
            Dis("SyzygyPath: no directory for the checked tables (" + Erreur + "), no tables loaded");
            PiecesChargees = 0;
            return 0;
        }
    }
    bool Pret = false;
    const std::string Messages = CaptureSorties([&] { Pret = tb_init(Dossier.c_str()); });
    for (size_t Debut = 0; Debut < Messages.size();) {
        const size_t Fin = std::min(Messages.find('\n', Debut), Messages.size());
        const std::string Ligne = Messages.substr(Debut, Fin - Debut);
        if (!Ligne.empty()) Dis("SyzygyPath: the prober says: " + Ligne);
        Debut = Fin + 1;
    }
    DossierPrive.Utilise(Choix.Complet ? std::string() : Dossier);
    Signature = std::move(Nouvelle);
    PiecesDuChemin = Pret ? static_cast<int32_t>(TB_LARGEST) : 0;
    PiecesChargees = PiecesDuChemin;
    return PiecesChargees;
}

bool TTablesFinales::Sonde(const TPosition& Pos, TResultatFinale& Resultat) const {
    if (!Couverte(Pos) || Pos.Compteur50 != 0) return false;
    const TEnsembles e(Pos);
    const unsigned r = tb_probe_wdl(e.Blancs, e.Noirs, e.Rois, e.Dames, e.Tours, e.Fous, e.Cavaliers, e.Pions, 0, 0,
                                    e.EnPassant, Pos.Camp == Blanc);
    if (r == TB_RESULT_FAILED) return false;
    Resultat = static_cast<TResultatFinale>(r);
    return true;
}

bool TTablesFinales::SondeRacine(const TPosition& Pos, TRacineFinale& Racine) const {
    if (!Couverte(Pos)) return false;
    const TEnsembles e(Pos);
    const unsigned r = tb_probe_root(e.Blancs, e.Noirs, e.Rois, e.Dames, e.Tours, e.Fous, e.Cavaliers, e.Pions,
                                     static_cast<unsigned>(Pos.Compteur50), 0, e.EnPassant, Pos.Camp == Blanc, nullptr);
    if (r == TB_RESULT_FAILED || r == TB_RESULT_CHECKMATE || r == TB_RESULT_STALEMATE) return false;
    static constexpr int32_t Promotions[5] = {SansPromotion, Dame, Tour, Fou, Cavalier};  // as the prober numbers them
    Racine.Resultat = static_cast<TResultatFinale>(TB_GET_WDL(r));
    Racine.Dtz = static_cast<int32_t>(TB_GET_DTZ(r));
    Racine.Depart = static_cast<int32_t>(TB_GET_FROM(r)) + 1;
    Racine.Arrivee = static_cast<int32_t>(TB_GET_TO(r)) + 1;
    const unsigned Promotion = TB_GET_PROMOTES(r);
    Racine.Promotion = Promotion <= 4 ? Promotions[Promotion] : SansPromotion;
    return true;
}

#else

bool TTablesFinales::Compilees() { return false; }
int32_t TTablesFinales::Charge(const std::string& Chemin, const TDitFonction&) {
    CheminDonne = Chemin;
    return 0;
}
bool TTablesFinales::Sonde(const TPosition&, TResultatFinale&) const { return false; }
bool TTablesFinales::SondeRacine(const TPosition&, TRacineFinale&) const { return false; }

#endif

}  // namespace velkar
