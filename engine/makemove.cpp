// Making and taking back moves through an undo journal.  Before a move
// changes a 32-bit field of the position it records where the field lies in
// the object and its old value in the journal of the current ply; Restaure
// writes them back, last first, so a field saved twice in one move (Chess960
// castling, where the king and the rook may land on each other's squares)
// gets its oldest value back.  The two 64-bit keys and the occupied squares
// are not journaled: every ply keeps them in a history.
#include <algorithm>

#include "position.h"

namespace velkar {

// The field at Adresse, one of this position's own, is saved by its offset
// from the start of the object: a copy of the position then takes back its
// own fields, and an entry takes half the room of an address and a value.
void TPosition::Sauve(int32_t* Adresse) {
    JournalPly& j = Traces.Sauvegardes[NumDemiCoup];
    ++j.Nombre;
    const auto Decalage = reinterpret_cast<const char*>(Adresse) - reinterpret_cast<const char*>(this);
    j.Entrees[j.Nombre] = Enregistrement{static_cast<int32_t>(Decalage), *Adresse};
}

// Clears a castling right and takes its key out of the position key.
void TPosition::EffaceRoque(int32_t& Droit, int32_t Indice) {
    if (Droit == -1) return;
    Cle ^= ClesHachage.Roque[Indice];
    Sauve(&Droit);
    Droit = -1;
}

// Castling rights belong to the corner squares: any move from a corner, or
// any capture on it, ends the right of that corner.
void TPosition::EffaceRoqueCoin(int32_t Case) {
    switch (Case) {
        case 1: EffaceRoque(RoqueBlancGrand, 2); break;
        case 8: EffaceRoque(RoqueBlancPetit, 1); break;
        case 57: EffaceRoque(RoqueNoirGrand, 4); break;
        case 64: EffaceRoque(RoqueNoirPetit, 3); break;
        default: break;
    }
}

// A king move ends both rights of its side.
void TPosition::EffaceRoquesDuCamp(int32_t CampRoi) {
    if (CampRoi == Blanc) {
        EffaceRoque(RoqueBlancPetit, 1);
        EffaceRoque(RoqueBlancGrand, 2);
    } else {
        EffaceRoque(RoqueNoirPetit, 3);
        EffaceRoque(RoqueNoirGrand, 4);
    }
}

// In Chess960 the castling rooks stand anywhere on the first rank: a move
// from, or a capture on, the square of a right's rook ends that right.
void TPosition::EffaceRoqueTour(int32_t Case) {
    if (Case == TourRoque[1]) EffaceRoque(RoqueBlancPetit, 1);
    if (Case == TourRoque[2]) EffaceRoque(RoqueBlancGrand, 2);
    if (Case == TourRoque[3]) EffaceRoque(RoqueNoirPetit, 3);
    if (Case == TourRoque[4]) EffaceRoque(RoqueNoirGrand, 4);
}

// Chess960 castling, written as the king taking its own rook: the king goes
// to g1 or c1, the rook to f1 or d1 (g8, c8, f8, d8 for Black).  Either may
// stay where it is or land on the square the other leaves, so both squares
// are emptied before both pieces are put down; the journal, restored last
// entry first, undoes that in any overlap.
void TPosition::Roque960(int32_t PieceRoi, int32_t PieceTour) {
    const bool AuxBlancs = Camp == Blanc;
    const int32_t CaseRoi = Pieces[PieceRoi].CasePiece, CaseTour = Pieces[PieceTour].CasePiece;
    const int32_t Droit = (AuxBlancs ? 1 : 3) + (CaseTour > CaseRoi ? 0 : 1);
    const int32_t RoiVers = RoiApresRoque[Droit], TourVers = TourApresRoque[Droit];
    EffaceRoquesDuCamp(Camp);
    int32_t& ARoque = AuxBlancs ? BlancARoque : NoirARoque;
    Sauve(&ARoque);
    ARoque = 1;
    Sauve(&CaseEnPassant);
    CaseEnPassant = -1;
    Cle ^= ClesHachage.Zobrist[PieceRoi][CaseRoi] ^ ClesHachage.Zobrist[PieceRoi][RoiVers] ^
           ClesHachage.Zobrist[PieceTour][CaseTour] ^ ClesHachage.Zobrist[PieceTour][TourVers];
    Sauve(&Echiquier[CaseRoi]);
    Echiquier[CaseRoi] = 0;
    Sauve(&Echiquier[CaseTour]);
    Echiquier[CaseTour] = 0;
    Sauve(&Echiquier[RoiVers]);
    Echiquier[RoiVers] = PieceRoi;
    Sauve(&Echiquier[TourVers]);
    Echiquier[TourVers] = PieceTour;
    Sauve(&Pieces[PieceRoi].CasePiece);
    Pieces[PieceRoi].CasePiece = RoiVers;
    Sauve(&Pieces[PieceTour].CasePiece);
    Pieces[PieceTour].CasePiece = TourVers;
    const Bitboard Avant = Bit(CaseRoi) | Bit(CaseTour), Apres = Bit(RoiVers) | Bit(TourVers);
    Bitboard& Occ = Occupations[NumDemiCoup + 1];
    Occ = (Occ & ~Avant) | Apres;
    if (AuxBlancs) {
        Bitboard& Blanches = OccupationsBlanches[NumDemiCoup + 1];
        Blanches = (Blanches & ~Avant) | Apres;
        EcartsCases[NumDemiCoup + 1] += TabCasePiece[Tour][Blanc][TourVers] - TabCasePiece[Tour][Blanc][CaseTour];
    } else {
        EcartsCases[NumDemiCoup + 1] -= TabCasePiece[Tour][Noir][TourVers] - TabCasePiece[Tour][Noir][CaseTour];
    }
}

namespace {

// What a promotion adds to the material, by the kind the pawn becomes: its
// value less the pawn's.
constexpr int32_t GainPromotion[6] = {0, 0, 225, 225, 400, 875};

}  // namespace

// Takes piece X off the board for the side that moves (sign s): material,
// its square, and the opponent's piece count.
void TPosition::RetirePiece(int32_t X, int32_t s) {
    Sauve(&Materiel);
    Materiel += s * Pieces[X].ValeurPiece;
    // The side that moves takes an enemy piece: its square value leaves
    // the balance, which then moves towards the side that moves.
    EcartsCases[NumDemiCoup + 1] += s * TabCasePiece[Pieces[X].TypePiece][s > 0 ? Noir : Blanc][Pieces[X].CasePiece];
    Sauve(&Pieces[X].CasePiece);
    Pieces[X].CasePiece = -1;
    int32_t& PiecesAdverses = s > 0 ? NbPiecesNoires : NbPiecesBlanches;
    Sauve(&PiecesAdverses);
    --PiecesAdverses;
}

// Piece M goes from CaseDepart to CaseArrivee; a piece captured there has
// already been taken off.
void TPosition::DeplacePiece(int32_t M, int32_t CaseDepart, int32_t CaseArrivee) {
    Sauve(&Echiquier[CaseArrivee]);
    Echiquier[CaseArrivee] = M;
    Sauve(&Echiquier[CaseDepart]);
    Echiquier[CaseDepart] = 0;
    Sauve(&Pieces[M].CasePiece);
    Pieces[M].CasePiece = CaseArrivee;
    Bitboard& Occ = Occupations[NumDemiCoup + 1];
    Occ = (Occ & ~Bit(CaseDepart)) | Bit(CaseArrivee);
    Bitboard& Blanches = OccupationsBlanches[NumDemiCoup + 1];
    const bool PieceBlanche = EstBlanche(M);
    Blanches = PieceBlanche ? (Blanches & ~Bit(CaseDepart)) | Bit(CaseArrivee) : Blanches & ~Bit(CaseArrivee);
    if (const int32_t T = Pieces[M].TypePiece; T != Roi) {
        const auto& Valeurs = TabCasePiece[T][CouleurDe(M)];
        const int32_t Gain = Valeurs[CaseArrivee] - Valeurs[CaseDepart];
        EcartsCases[NumDemiCoup + 1] += PieceBlanche ? Gain : -Gain;
    }
}

// Takes off the pawn captured en passant, which stands beside the
// destination; returns its square.
int32_t TPosition::PrendEnPassant(int32_t s) {
    const int32_t v = s > 0 ? CaseEnPassant - 8 : CaseEnPassant + 8;
    RetirePiece(Echiquier[v], s);
    Sauve(&Echiquier[v]);
    Echiquier[v] = 0;
    Occupations[NumDemiCoup + 1] &= ~Bit(v);
    OccupationsBlanches[NumDemiCoup + 1] &= ~Bit(v);
    return v;
}

void TPosition::Promeut(int32_t M, int32_t Promotion, int32_t s) {
    if (Promotion < Cavalier || Promotion > Dame) return;
    // Still on its square of departure: the pawn's value there becomes the
    // new piece's, and the move then carries it to its destination.
    const int32_t Case = Pieces[M].CasePiece, Couleur = s > 0 ? Blanc : Noir;
    EcartsCases[NumDemiCoup + 1] +=
        s * (TabCasePiece[Promotion][Couleur][Case] - TabCasePiece[Pieces[M].TypePiece][Couleur][Case]);
    Sauve(&Pieces[M].TypePiece);
    Pieces[M].TypePiece = Promotion;
    Sauve(&Pieces[M].ValeurPiece);
    Pieces[M].ValeurPiece = ValeursPieces[Promotion];
    Sauve(&Materiel);
    Sauve(&Promus[Couleur]);
    ++Promus[Couleur];
    Materiel += s * GainPromotion[Promotion];
}

// After a move of piece type T: the square a double pawn step passed over,
// or none.
void TPosition::NoteEnPassant(int32_t T, int32_t CaseDepart, int32_t CaseArrivee) {
    const int32_t Ecart = CaseArrivee - CaseDepart;
    const int32_t Passage = (T == Pion && (Ecart == 16 || Ecart == -16)) ? (CaseDepart + CaseArrivee) / 2 : -1;
    // Most moves leave none where there was none: nothing to journal.
    if (Passage == CaseEnPassant) return;
    Sauve(&CaseEnPassant);
    CaseEnPassant = Passage;
}

// The other side to move, the next ply, and its journal emptied.  The side
// and the ply are not journaled: taking back any move or null move gives
// the move back to the other side, one ply lower.
void TPosition::PasseAuPlySuivant() {
    Camp = CampAdverse(Camp);
    ++NumDemiCoup;
    Traces.Sauvegardes[NumDemiCoup].Nombre = 0;
}

void TPosition::EffectuerDeplacement(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion) {
    const TControle Controle(*this, Camp == Blanc ? ClesHachage.TraitNoir : ClesHachage.TraitBlanc, true);
    const int32_t M = Echiquier[CaseDepart];
    const int32_t T = Pieces[M].TypePiece;
    const int32_t X = Echiquier[CaseArrivee];
    const bool AuxBlancs = Camp == Blanc;
    const int32_t s = AuxBlancs ? 1 : -1;

    RecopieAuPlySuivant();
    bool Irreversible = X != 0 || T == Pion;
    if (Echecs960 && X != 0 && EstBlanche(X) == AuxBlancs) [[unlikely]] {
        // The king onto its own rook: castling, a reversible move.
        Roque960(M, X);
        Irreversible = false;
    } else if (CaseArrivee == CaseEnPassant && T == Pion) {
        const int32_t v = AuxBlancs ? CaseEnPassant - 8 : CaseEnPassant + 8;
        const uint64_t Cles = ClesHachage.Zobrist[Echiquier[v]][v] ^ ClesHachage.Zobrist[M][CaseArrivee] ^
                              ClesHachage.Zobrist[M][CaseDepart];
        Cle ^= Cles;
        ClePions ^= Cles;
        PrendEnPassant(s);
        DeplacePiece(M, CaseDepart, CaseArrivee);
        Sauve(&CaseEnPassant);
        CaseEnPassant = -1;
    } else {
        NoteEnPassant(T, CaseDepart, CaseArrivee);
        if (X != 0) {
            Cle ^= ClesHachage.Zobrist[X][CaseArrivee];
            if (Pieces[X].TypePiece == Pion) ClePions ^= ClesHachage.Zobrist[X][CaseArrivee];
            RetirePiece(X, s);
            // The bishop pair is lost with either of the two original bishops.
            int32_t& PaireAdverse = AuxBlancs ? PaireFousNoirs : PaireFousBlancs;
            const int32_t Fous = AuxBlancs ? FousNoirs : FousBlancs;
            if ((X == Fous || X == Fous + 1) && PaireAdverse == 1) {
                Sauve(&PaireAdverse);
                PaireAdverse = 0;
            }
        }
        if (T == Roi) {
            EffaceRoquesDuCamp(Camp);
            const int32_t Ecart = CaseArrivee - CaseDepart;
            if (Ecart == 2 || Ecart == -2) {
                // Castling: the rook jumps over the king.
                int32_t& ARoque = AuxBlancs ? BlancARoque : NoirARoque;
                Sauve(&ARoque);
                ARoque = 1;
                const int32_t Base = AuxBlancs ? 0 : 56;
                const int32_t TourDe = Ecart > 0 ? Base + 8 : Base + 1;
                const int32_t TourVers = Ecart > 0 ? Base + 6 : Base + 4;
                const int32_t R = Echiquier[TourDe];
                Cle ^= ClesHachage.Zobrist[R][TourDe] ^ ClesHachage.Zobrist[R][TourVers];
                DeplacePiece(R, TourDe, TourVers);
            }
        }
        if (Echecs960) [[unlikely]] {
            EffaceRoqueTour(CaseDepart);
            if (X != 0) EffaceRoqueTour(CaseArrivee);
        } else {
            EffaceRoqueCoin(CaseDepart);
            if (X != 0) EffaceRoqueCoin(CaseArrivee);
        }
        Promeut(M, Promotion, s);
        // A promoting pawn leaves the pawn key and does not enter it again.
        Cle ^= ClesHachage.Zobrist[M][CaseArrivee] ^ ClesHachage.Zobrist[M][CaseDepart];
        if (Pieces[M].TypePiece == Pion) ClePions ^= ClesHachage.Zobrist[M][CaseArrivee];
        if (T == Pion) ClePions ^= ClesHachage.Zobrist[M][CaseDepart];
        DeplacePiece(M, CaseDepart, CaseArrivee);
    }

    Sauve(&Compteur50);
    Compteur50 = Irreversible ? 0 : Compteur50 + 1;
    Cle ^= AuxBlancs ? ClesHachage.TraitNoir : ClesHachage.TraitBlanc;
    PasseAuPlySuivant();
    Traces.HistoriqueCle[NumDemiCoup] = Cle;
    Traces.HistoriqueClePions[NumDemiCoup] = ClePions;
}

// The light move of the quiescence search: board, material and piece counts
// only.  The keys, the key history, the fifty-move counter, castling and the
// bishop pair are deliberately left alone, so inside a capture sequence the
// keys still describe the position where the sequence began.
void TPosition::EffectuerDeplacementQ(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion) {
    const TControle Controle(*this, 0, false);
    const int32_t M = Echiquier[CaseDepart];
    const int32_t T = Pieces[M].TypePiece;
    const int32_t s = Camp == Blanc ? 1 : -1;

    RecopieAuPlySuivant();
    if (CaseArrivee == CaseEnPassant && T == Pion) {
        PrendEnPassant(s);
        Sauve(&CaseEnPassant);
        CaseEnPassant = -1;
    } else {
        NoteEnPassant(T, CaseDepart, CaseArrivee);
        if (const int32_t X = Echiquier[CaseArrivee]; X != 0) RetirePiece(X, s);
        Promeut(M, Promotion, s);
    }
    DeplacePiece(M, CaseDepart, CaseArrivee);
    PasseAuPlySuivant();
}

void TPosition::FaireCoupNul() {
    const TControle Controle(*this, ClesHachage.CoupNul, true);
    Sauve(&CaseEnPassant);
    CaseEnPassant = -1;
    Cle ^= ClesHachage.CoupNul;
    RecopieAuPlySuivant();
    PasseAuPlySuivant();
    Traces.HistoriqueCle[NumDemiCoup] = Cle;
    Traces.HistoriqueClePions[NumDemiCoup] = ClePions;
}

void TPosition::Restaure() {
    const TControle Controle(*this, 0, false);
    const int32_t q = NumDemiCoup - 1;
    Cle = Traces.HistoriqueCle[q];
    ClePions = Traces.HistoriqueClePions[q];
    JournalPly& j = Traces.Sauvegardes[q];
    char* const Base = reinterpret_cast<char*>(this);
    for (int32_t k = j.Nombre; k >= 1; --k)
        *reinterpret_cast<int32_t*>(Base + j.Entrees[k].Decalage) = j.Entrees[k].Valeur;
    j.Nombre = 0;
    NumDemiCoup = q;
    Camp = CampAdverse(Camp);
}

// Twofold repetition since the last irreversible move.  Positions at an odd
// distance have the other side to move and never match thanks to the side keys.
bool TPosition::Repetition() const {
    const int32_t p = NumDemiCoup;
    for (int32_t i = std::max(1, p - 2 - Compteur50); i <= p - 3; ++i)
        if (Traces.HistoriqueCle[i] == Cle) return true;
    return false;
}

void TPosition::Recentre() {
    if (NumDemiCoup < DemiCoupsPartieMax) return;
    // The evaluation reads the ply as the age of the game (development and
    // castling count in its first 40 plies): the game stays past them.  Past
    // a hundred reversible plies every position is a draw by the fifty-move
    // rule, so no older history can matter.  An even shift keeps the side to
    // move on the same parity.
    int32_t Cible = std::max(40, std::min(Compteur50, 100) + 4);
    Cible += (NumDemiCoup - Cible) & 1;
    const int32_t Ecart = NumDemiCoup - Cible;
    for (int32_t p = 1; p <= Cible; ++p) {
        Traces.HistoriqueCle[p] = Traces.HistoriqueCle[p + Ecart];
        Traces.HistoriqueClePions[p] = Traces.HistoriqueClePions[p + Ecart];
        Traces.EnEchec[p] = Traces.EnEchec[p + Ecart];
        Occupations[p] = Occupations[p + Ecart];
        OccupationsBlanches[p] = OccupationsBlanches[p + Ecart];
        EcartsCases[p] = EcartsCases[p + Ecart];
        Traces.Sauvegardes[p].Nombre = 0;
    }
    NumDemiCoup = Cible;
    NumeroCoupFen += Ecart / 2;
}

bool TPosition::JoueCoupLegal(int32_t CaseDepart, int32_t CaseArrivee, int32_t Promotion) {
    Recentre();
    ListeCoupsPly Liste;
    GenereCoupsLegaux(Liste);
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) {
        const sCoup& m = Liste.Coups[i];
        if (CaseDe(m) == CaseDepart && m.Arrivee == CaseArrivee && m.Promotion == Promotion) {
            EffectuerDeplacement(CaseDepart, CaseArrivee, Promotion);
            return true;
        }
    }
    return false;
}

}  // namespace velkar
