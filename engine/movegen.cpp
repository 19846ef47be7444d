// Legal move generation in a fixed order: pieces by number, and for each
// piece its moves in a fixed direction order.  Every candidate is tested for
// legality before it is listed, so the search never meets an illegal move.
#include <algorithm>

#include "position.h"

namespace velkar {

namespace {

inline void AjouteCoup(ListeCoupsPly& Liste, int32_t Piece, int32_t CaseArrivee, int32_t Promotion) {
    if (Liste.NbCoups >= CoupsParListe) return;
    sCoup& m = Liste.Coups[++Liste.NbCoups];
    m.Piece = static_cast<uint8_t>(Piece);
    m.Arrivee = static_cast<uint8_t>(CaseArrivee);
    m.Promotion = static_cast<int8_t>(Promotion);
}

inline bool PromeutSur(int32_t CampJoueur, int32_t Case) { return CampJoueur == Blanc ? Case > 56 : Case < 9; }

// The four promotions of pawn n on t, knight first.
inline void AjoutePromotions(ListeCoupsPly& Liste, int32_t n, int32_t t) {
    for (int32_t p = Cavalier; p <= Dame; ++p) AjouteCoup(Liste, n, t, p);
}

// A pawn move of piece n to t: its promotions on the last rank, otherwise
// the move itself.
inline void AjoutePion(ListeCoupsPly& Liste, int32_t CampJoueur, int32_t n, int32_t t) {
    if (PromeutSur(CampJoueur, t)) {
        AjoutePromotions(Liste, n, t);
    } else {
        AjouteCoup(Liste, n, t, SansPromotion);
    }
}

// The single steps of piece n from s: the knight's jumps in their fixed
// order, or the king's first square in each direction, to every square
// Accepte takes that does not leave the king attacked (Libre: none can).
template <class Filtre>
void AjoutePas(TPosition& Pos, ListeCoupsPly& Liste, int32_t n, int32_t s, bool EstRoi, Filtre Accepte,
               bool Libre = false) {
    auto Essaie = [&](int32_t t) {
        if (Accepte(t) && (Libre || !Pos.EchecRapide(Pos.Camp, n, s, t))) AjouteCoup(Liste, n, t, SansPromotion);
    };
    if (EstRoi) {
        for (int32_t d = 1; d <= 8; ++d)
            if (Geometrie.Rayons[s][d][0] != 0) Essaie(Geometrie.Rayons[s][d][1]);
    } else {
        const int32_t* Sauts = Geometrie.Rayons[s][9];
        for (int32_t k = 1; k <= Sauts[0]; ++k) Essaie(Sauts[k]);
    }
}

}  // namespace

// The moves of one slider along one ray, up to the first piece.  A pinned
// piece skips the illegal squares but the walk goes on (Libre: the piece
// is not pinned, no square is illegal).
void TPosition::BlocAjouteCoup(ListeCoupsPly& Liste, int32_t Direction, int32_t Piece, bool Libre) {
    const int32_t s = Pieces[Piece].CasePiece;
    const int32_t* Rayon = Geometrie.Rayons[s][Direction];
    for (int32_t k = 1; k <= Rayon[0]; ++k) {
        const int32_t t = Rayon[k];
        const int32_t p = Echiquier[t];
        if (p != 0 && (!EstAdverse(p, Camp) || p == RoiBlanc || p == RoiNoir)) return;
        if (Libre || !EchecRapide(Camp, Piece, s, t)) AjouteCoup(Liste, Piece, t, SansPromotion);
        if (p != 0) return;
    }
}

void TPosition::GenereCoupsPion(ListeCoupsPly& Liste, int32_t n, int32_t s, bool Libre) {
    const bool AuxBlancs = Camp == Blanc;
    const int32_t RoiEnnemi = AuxBlancs ? RoiNoir : RoiBlanc;
    const int32_t Avance = AuxBlancs ? 8 : -8;
    const int32_t t = s + Avance;
    if (Echiquier[t] == 0) {
        if (Libre || !EchecRapide(Camp, n, s, t)) AjoutePion(Liste, Camp, n, t);
        const bool RangDepart = AuxBlancs ? s < 17 : s > 48;
        const int32_t t2 = s + 2 * Avance;
        if (RangDepart && Echiquier[t2] == 0 && (Libre || !EchecRapide(Camp, n, s, t2)))
            AjouteCoup(Liste, n, t2, SansPromotion);
    }
    const int32_t Prises[2] = {AuxBlancs ? s + 7 : s - 9, AuxBlancs ? s + 9 : s - 7};
    const bool Permise[2] = {CaseVersX[s] > 1, CaseVersX[s] < 8};
    for (int k = 0; k < 2; ++k) {
        if (!Permise[k]) continue;
        const int32_t c = Prises[k];
        const int32_t p = Echiquier[c];
        if (p != 0 && EstAdverse(p, Camp) && p != RoiEnnemi && (Libre || !EchecRapide(Camp, n, s, c)))
            AjoutePion(Liste, Camp, n, c);
    }
    if (CaseEnPassant != -1 && CaseVersY[CaseEnPassant] == (AuxBlancs ? 6 : 3)) {
        const int32_t e = CaseEnPassant;
        const bool Cas1 = s == (AuxBlancs ? e - 9 : e + 7) && CaseVersX[e] > 1;
        const bool Cas2 = s == (AuxBlancs ? e - 7 : e + 9) && CaseVersX[e] < 8;
        if (Cas1 || Cas2) {
            // Both pawns leave the rank at once, which may uncover the king:
            // play the capture and look.
            const int32_t CampJoueur = Camp;
            EffectuerDeplacement(s, e, SansPromotion);
            const bool Attaque = RoiEchec(CampJoueur);
            Restaure();
            if (!Attaque) AjouteCoup(Liste, n, e, SansPromotion);
        }
    }
}

// Castling: the squares between king and rook empty, and the squares the
// king crosses and lands on not attacked.  Never out of check.
void TPosition::GenereRoques(ListeCoupsPly& Liste, int32_t s) {
    struct Roque {
        int32_t Droit, Vides[3], NbVides, Surs[2], Arrivee;
    };
    const bool AuxBlancs = Camp == Blanc;
    const int32_t n = NumeroRoi(Camp);
    const Roque Roques[2] = {AuxBlancs ? Roque{RoqueBlancPetit, {6, 7, 0}, 2, {6, 7}, 7}
                                       : Roque{RoqueNoirPetit, {62, 63, 0}, 2, {62, 63}, 63},
                             AuxBlancs ? Roque{RoqueBlancGrand, {4, 3, 2}, 3, {4, 3}, 3}
                                       : Roque{RoqueNoirGrand, {60, 59, 58}, 3, {60, 59}, 59}};
    for (const Roque& r : Roques) {
        if (r.Droit == -1) continue;
        bool Possible = true;
        for (int32_t k = 0; k < r.NbVides && Possible; ++k) Possible = Echiquier[r.Vides[k]] == 0;
        for (int32_t k = 0; k < 2 && Possible; ++k) Possible = !EchecRapide(Camp, n, s, r.Surs[k]);
        if (Possible) AjouteCoup(Liste, n, r.Arrivee, SansPromotion);
    }
}

// Chess960 castling, listed as the king taking its own rook.  Every square
// from the king to its destination and from the rook to its destination
// must be empty but for these two pieces, and no square the king stands on,
// crosses or lands on may be attacked.  The squares are tested with the
// castling rook lifted off: with a rook on b1 between an enemy rook on a1
// and the king on c1, castling long would leave the king in check on c1 once
// the rook has gone to d1.  (Lifting it changes nothing else: any other line
// it blocks would already attack the king or a square it must cross.)
// Never out of check.
void TPosition::GenereRoques960(ListeCoupsPly& Liste, int32_t s) {
    const bool AuxBlancs = Camp == Blanc;
    const int32_t n = NumeroRoi(Camp);
    const int32_t Premier = AuxBlancs ? 1 : 3;
    const int32_t Droits[2] = {AuxBlancs ? RoqueBlancPetit : RoqueNoirPetit,
                               AuxBlancs ? RoqueBlancGrand : RoqueNoirGrand};
    for (int32_t k = 0; k < 2; ++k) {
        if (Droits[k] == -1) continue;
        const int32_t i = Premier + k;
        const int32_t r = TourRoque[i], RoiVers = RoiApresRoque[i], TourVers = TourApresRoque[i];
        const int32_t Bas = std::min(std::min(s, r), std::min(RoiVers, TourVers));
        const int32_t Haut = std::max(std::max(s, r), std::max(RoiVers, TourVers));
        bool Possible = true;
        for (int32_t c = Bas; c <= Haut && Possible; ++c) Possible = c == s || c == r || Echiquier[c] == 0;
        if (!Possible) continue;
        const int32_t T = Echiquier[r];
        Echiquier[r] = 0;
        Pieces[T].CasePiece = -1;
        Occupations[NumDemiCoup] &= ~Bit(r);
        const int32_t Pas = RoiVers >= s ? 1 : -1;
        Possible = !RoiEchec(Camp);
        for (int32_t c = s + Pas; Possible && c != RoiVers + Pas; c += Pas) Possible = !EchecRapide(Camp, n, s, c);
        Echiquier[r] = T;
        Pieces[T].CasePiece = r;
        Occupations[NumDemiCoup] |= Bit(r);
        if (Possible) AjouteCoup(Liste, n, r, SansPromotion);
    }
}

void TPosition::GenereListeCoups(ListeCoupsPly& Liste) {
    Liste.NbCoups = 0;
    const int32_t Premier = PremierNumero(Camp);
    const int32_t RoiEnnemi = NumeroRoi(CampAdverse(Camp));
    // A square a piece may go to: empty, or an enemy other than the king.
    auto Accessible = [&](int32_t t) {
        const int32_t p = Echiquier[t];
        return p == 0 || (EstAdverse(p, Camp) && p != RoiEnnemi);
    };
    const bool Echec = Traces.EnEchec[NumDemiCoup];

    // The moves of piece n, of kind Type, from its square s.
    auto Genere = [&](int32_t n, int32_t s, int32_t Type) __attribute__((always_inline)) {
        // Out of check, a piece other than the king off every line through
        // its king, or not pinned on its line, has only legal moves.
        const bool Libre = !Echec && Type != Roi && !PeutDecouvrir(s);
        switch (Type) {
            case Pion: GenereCoupsPion(Liste, n, s, Libre); break;
            case Cavalier: AjoutePas(*this, Liste, n, s, false, Accessible, Libre); break;
            case Fou:
                for (int32_t d : DirectionsFou) BlocAjouteCoup(Liste, d, n, Libre);
                break;
            case Tour:
                for (int32_t d : DirectionsTour) BlocAjouteCoup(Liste, d, n, Libre);
                break;
            case Dame:
                for (int32_t d = 1; d <= 8; ++d) BlocAjouteCoup(Liste, d, n, Libre);
                break;
            case Roi:
                AjoutePas(*this, Liste, n, s, true, Accessible);
                if (!Echec) {
                    if (Echecs960) [[unlikely]]
                        GenereRoques960(Liste, s);
                    else
                        GenereRoques(Liste, s);
                }
                break;
            default: break;
        }
    };
    // Pieces by ascending number.  The pawn numbers hold pawns unless the
    // side counts a promoted piece among them; the numbers after them
    // always hold their own kind.
    const bool QuePionsSurPions = Promus[Camp] == 0;
    for (int32_t n = Premier; n < Premier + PionsParCamp; ++n)
        if (const int32_t s = Pieces[n].CasePiece; s != -1) Genere(n, s, QuePionsSurPions ? Pion : Pieces[n].TypePiece);
    auto De = [&](int32_t n, int32_t Type) __attribute__((always_inline)) {
        if (const int32_t s = Pieces[n].CasePiece; s != -1) Genere(n, s, Type);
    };
    PourLesGenresFixes(Camp, De);
}

void TPosition::GenereCoupsLegaux(ListeCoupsPly& Liste) {
    const bool EchecAvant = Traces.EnEchec[NumDemiCoup];
    Traces.EnEchec[NumDemiCoup] = RoiEchec(Camp);
    GenereListeCoups(Liste);
    Traces.EnEchec[NumDemiCoup] = EchecAvant;
}

// Captures and promotions for the quiescence search, pieces by descending
// number so that the king and the heavy pieces come first.  En passant,
// castling and quiet moves are never listed.  A capturable piece is of the
// other colour and worth more than 50, which rules out the king.
bool TPosition::EstCapturable(int32_t Case) const {
    const int32_t p = Echiquier[Case];
    return p != 0 && EstAdverse(p, Camp) && Pieces[p].ValeurPiece > 50;
}

// The captures of a slider on s: Premiers holds the first occupied square of
// those of its rays that end on an enemy piece, taken ray by ray in the
// order of Directions when the piece there may be taken.
void TPosition::BlocAjouteCaps(ListeCoupsPly& Liste, int32_t Piece, int32_t s, Bitboard Premiers,
                               const int32_t* Directions, int32_t NbDirections) {
    for (int32_t k = 0; k < NbDirections && Premiers != 0; ++k) {
        const Bitboard b = Premiers & Bitboards.Rayon[s][Directions[k]];
        if (b == 0) continue;
        Premiers &= ~b;
        const int32_t t = __builtin_ctzll(b) + 1;
        if (EstCapturable(t) && !EchecRapide(Camp, Piece, s, t)) AjouteCoup(Liste, Piece, t, SansPromotion);
    }
}

void TPosition::GenereCapsPion(ListeCoupsPly& Liste, int32_t n, int32_t s) {
    const int32_t Avance = Camp == Blanc ? 8 : -8;
    const int32_t t = s + Avance;
    if (Echiquier[t] == 0 && PromeutSur(Camp, t) && !EchecRapide(Camp, n, s, t)) AjoutePromotions(Liste, n, t);
    const int32_t Prises[2] = {s + Avance - 1, s + Avance + 1};
    const bool Permise[2] = {CaseVersX[s] > 1, CaseVersX[s] < 8};
    for (int k = 0; k < 2; ++k) {
        if (!Permise[k]) continue;
        const int32_t c = Prises[k];
        if (EstCapturable(c) && !EchecRapide(Camp, n, s, c)) AjoutePion(Liste, Camp, n, c);
    }
}

void TPosition::GenereListeCaps(ListeCoupsPly& Liste) {
    Liste.NbCoups = 0;
    const bool AuxBlancs = Camp == Blanc;
    auto Capturable = [this](int32_t t) { return EstCapturable(t); };
    static constexpr int32_t DirectionsDame[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    const Bitboard Occ = Occupees();
    const Bitboard Blanches = OccupationsBlanches[NumDemiCoup];
    const Bitboard Ennemis = AuxBlancs ? Occ & ~Blanches : Blanches;
    // The captures of piece n, of kind Type, from its square s.
    auto Genere = [&](int32_t n, int32_t s, int32_t Type) __attribute__((always_inline)) {
        // A piece that reaches no enemy piece has nothing to take; a slider
        // reaches the first piece of each ray, which only an enemy one may be.
        switch (Type) {
            case Tour: BlocAjouteCaps(Liste, n, s, AttaquesTour(s, Occ) & Ennemis, DirectionsTour, 4); break;
            case Fou: BlocAjouteCaps(Liste, n, s, AttaquesFou(s, Occ) & Ennemis, DirectionsFou, 4); break;
            case Dame:
                BlocAjouteCaps(Liste, n, s, (AttaquesFou(s, Occ) | AttaquesTour(s, Occ)) & Ennemis, DirectionsDame, 8);
                break;
            case Cavalier:
                if (Bitboards.Cavalier[s] & Ennemis) AjoutePas(*this, Liste, n, s, false, Capturable);
                break;
            case Pion: {
                // A pawn has something here only on the rank before its last
                // (a promotion) or when it strikes an enemy piece.
                constexpr Bitboard ColonneA = 0x0101010101010101ull, ColonneH = ColonneA << 7;
                const Bitboard b = Bit(s);
                const Bitboard Frappees = AuxBlancs ? ((b << 7) & ~ColonneH) | ((b << 9) & ~ColonneA)
                                                    : ((b >> 9) & ~ColonneH) | ((b >> 7) & ~ColonneA);
                if ((AuxBlancs ? s > 48 : s < 17) || (Frappees & Ennemis)) GenereCapsPion(Liste, n, s);
                break;
            }
            default:
                if (Bitboards.Voisins[s] & Ennemis) AjoutePas(*this, Liste, n, s, true, Capturable);
                break;
        }
    };
    // Pieces by descending number.  The numbers after the pawns' always
    // hold their own kind; the pawn numbers hold pawns, unless the side
    // counts a promoted piece among them.
    const int32_t Roi_ = NumeroRoi(Camp);
    auto De = [&](int32_t n, int32_t Type) __attribute__((always_inline)) {
        if (const int32_t s = Pieces[n].CasePiece; s != -1) Genere(n, s, Type);
    };
    PourLesGenresFixes<true>(Camp, De);
    const bool QuePionsSurPions = Promus[Camp] == 0;
    for (int32_t n = Roi_ - PionsParCamp; n > Roi_ - 2 * PionsParCamp; --n)
        if (const int32_t s = Pieces[n].CasePiece; s != -1) Genere(n, s, QuePionsSurPions ? Pion : Pieces[n].TypePiece);
}

}  // namespace velkar
