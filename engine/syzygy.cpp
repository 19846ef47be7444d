#include "syzygy.h"

#if defined(VELKAR_SYZYGY)
#include <tbprobe.h>
#endif

namespace velkar {

namespace {

int32_t PiecesChargees = 0;

#if defined(VELKAR_SYZYGY)
// Few enough pieces, and no castling right left (the tables know none).
bool Couverte(const TPosition& Pos) {
    return PiecesChargees > 0 && Pos.NbPiecesBlanches + Pos.NbPiecesNoires <= PiecesChargees &&
           Pos.RoqueBlancPetit == -1 && Pos.RoqueBlancGrand == -1 && Pos.RoqueNoirPetit == -1 &&
           Pos.RoqueNoirGrand == -1;
}

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
#endif

}  // namespace

int32_t ScoreFinale(TResultatFinale Resultat, int32_t Eloignement) {
    if (Resultat == FinaleGagnee) return ScoreTablesFinales - Eloignement;
    if (Resultat == FinalePerdue) return -ScoreTablesFinales + Eloignement;
    return 0;
}

int32_t PiecesTablesFinales() { return PiecesChargees; }

#if defined(VELKAR_SYZYGY)

bool TablesFinalesCompilees() { return true; }

int32_t ChargeTablesFinales(const std::string& Chemin) {
    // The prober is set up again only for another path: releasing tables it
    // has already read makes it complain (about unmapping) on the error
    // output.  An empty path only stops the probes.
    static std::string CheminCharge;
    static int32_t PiecesDuChemin = 0;
    if (!Chemin.empty() && Chemin != CheminCharge) {
        PiecesDuChemin = tb_init(Chemin.c_str()) ? static_cast<int32_t>(TB_LARGEST) : 0;
        CheminCharge = Chemin;
    }
    PiecesChargees = Chemin.empty() ? 0 : PiecesDuChemin;
    return PiecesChargees;
}

bool SondeFinale(const TPosition& Pos, TResultatFinale& Resultat) {
    if (!Couverte(Pos) || Pos.Compteur50 != 0) return false;
    const TEnsembles e(Pos);
    const unsigned r = tb_probe_wdl(e.Blancs, e.Noirs, e.Rois, e.Dames, e.Tours, e.Fous, e.Cavaliers, e.Pions, 0, 0,
                                    e.EnPassant, Pos.Camp == Blanc);
    if (r == TB_RESULT_FAILED) return false;
    Resultat = static_cast<TResultatFinale>(r);
    return true;
}

bool SondeRacineFinale(const TPosition& Pos, TRacineFinale& Racine) {
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

bool TablesFinalesCompilees() { return false; }
int32_t ChargeTablesFinales(const std::string&) { return 0; }
bool SondeFinale(const TPosition&, TResultatFinale&) { return false; }
bool SondeRacineFinale(const TPosition&, TRacineFinale&) { return false; }

#endif

}  // namespace velkar
