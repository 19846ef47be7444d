// The position's creation and its reset to the starting position.
#include <cstring>

#include "position.h"

namespace velkar {

namespace {

// The starting position, by piece number: square, kind.
struct PieceDepart {
    int32_t Case;
    int32_t Type;
};
// clang-format off
constexpr PieceDepart Depart[33] = {
    {0, 0},
    {9, Pion},      {10, Pion},     {11, Pion}, {12, Pion}, {13, Pion}, {14, Pion}, {15, Pion}, {16, Pion},
    {2, Cavalier},  {7, Cavalier},  {3, Fou},   {6, Fou},   {1, Tour},  {8, Tour},  {4, Dame},  {5, Roi},
    {49, Pion},     {50, Pion},     {51, Pion}, {52, Pion}, {53, Pion}, {54, Pion}, {55, Pion}, {56, Pion},
    {58, Cavalier}, {63, Cavalier}, {59, Fou},  {62, Fou},  {57, Tour}, {64, Tour}, {60, Dame}, {61, Roi}};
// clang-format on

}  // namespace

TPosition::TPosition() {
    // Everything starts at zero, as a freshly allocated object would.
    std::memset(Pieces, 0, sizeof Pieces);
    std::memset(Echiquier, 0, sizeof Echiquier);
    std::memset(Traces.Sauvegardes, 0, sizeof Traces.Sauvegardes);
    std::memset(Traces.HistoriqueCle, 0, sizeof Traces.HistoriqueCle);
    std::memset(Traces.HistoriqueClePions, 0, sizeof Traces.HistoriqueClePions);
    std::memset(Occupations, 0, sizeof Occupations);
    std::memset(OccupationsBlanches, 0, sizeof OccupationsBlanches);
    std::memset(EcartsCases, 0, sizeof EcartsCases);
    std::memset(Traces.EnEchec, 0, sizeof Traces.EnEchec);
    NbPiecesBlanches = NbPiecesNoires = 0;
    Camp = NumDemiCoup = 0;
    RoqueBlancPetit = RoqueBlancGrand = RoqueNoirPetit = RoqueNoirGrand = 0;
    for (int32_t k = 1; k <= 4; ++k) TourRoque[k] = CoinsRoque[k];
    TourRoque[0] = 0;
    Compteur50 = CaseEnPassant = 0;
    BlancARoque = NoirARoque = PaireFousBlancs = PaireFousNoirs = 0;
    Materiel = 0;
    Promus[0] = Promus[Blanc] = Promus[Noir] = 0;
    Cle = ClePions = 0;
}

void TPosition::InitialiserPosition() {
    std::memset(Echiquier, 0, sizeof Echiquier);
    Pieces[0] = TPiece{0, 0, 0};
    for (int32_t p = 1; p <= RoiNoir; ++p) {
        Pieces[p] = TPiece{Depart[p].Case, Depart[p].Type, ValeursPieces[Depart[p].Type]};
        Echiquier[Depart[p].Case] = p;
    }
    NumeroCoupFen = 1;
    CampFen = Blanc;
    Camp = Blanc;
    RoqueBlancPetit = RoqueBlancGrand = RoqueNoirPetit = RoqueNoirGrand = 0;
    for (int32_t k = 1; k <= 4; ++k) TourRoque[k] = CoinsRoque[k];
    NumDemiCoup = 1;
    NbPiecesBlanches = NbPiecesNoires = 16;
    Compteur50 = 0;
    CaseEnPassant = -1;
    Materiel = 0;
    Promus[0] = Promus[Blanc] = Promus[Noir] = 0;
    BlancARoque = NoirARoque = 0;
    PaireFousBlancs = PaireFousNoirs = 1;

    // The keys of the start position hold the pieces only; a position set
    // from a FEN keeps them (keys tell positions of one game apart, and a
    // game always begins with this reset).
    Cle = ClePieces(false);
    ClePions = ClePieces(true);
    Traces.HistoriqueCle[1] = Cle;
    Traces.HistoriqueClePions[1] = ClePions;
    CompteDuPlateau(1);
    OublieTraces(TOubli::Partie);
}

void TPosition::OublieTraces(TOubli Quoi) {
    if (Quoi == TOubli::Partie) {
        for (int32_t p = 1; p <= NbDemiCoups; ++p) {
            Traces.EnEchec[p] = false;
            Traces.Sauvegardes[p].Nombre = 0;
        }
        return;
    }
    for (int32_t p = NumDemiCoup + 1; p <= NbDemiCoups + 1; ++p) {
        if (p <= NbDemiCoups) {
            Traces.EnEchec[p] = false;
            Traces.Sauvegardes[p].Nombre = 0;
        }
        Traces.HistoriqueCle[p] = Traces.HistoriqueClePions[p] = 0;
    }
}

Bitboard TPosition::CasesDesPieces(int32_t Premiere, int32_t Derniere) const {
    Bitboard o = 0;
    for (int32_t p = Premiere; p <= Derniere; ++p)
        if (const int32_t c = Pieces[p].CasePiece; c >= 1 && c <= 64) o |= Bit(c);
    return o;
}

int32_t TPosition::PromusDuPlateau(int32_t c) const {
    int32_t n = 0;
    for (int32_t p = PremierNumero(c); p < PremierNumero(c) + PionsParCamp; ++p)
        if (Pieces[p].TypePiece != Pion && Pieces[p].TypePiece != -1) ++n;
    return n;
}

int32_t TPosition::EcartCasesDuPlateau() const {
    int32_t e = 0;
    for (int32_t p = 1; p <= RoiNoir; ++p) {
        const int32_t c = Pieces[p].CasePiece, t = Pieces[p].TypePiece;
        if (c < 1 || c > 64 || t < Pion || t > Dame) continue;
        e += EstBlanche(p) ? TabCasePiece[t][Blanc][c] : -TabCasePiece[t][Noir][c];
    }
    return e;
}

uint64_t TPosition::ClePieces(bool PionsSeulement) const {
    uint64_t k = 0;
    for (int32_t p = 1; p <= RoiNoir; ++p) {
        const int32_t c = Pieces[p].CasePiece;
        if (c < 1 || c > 64 || (PionsSeulement && Pieces[p].TypePiece != Pion)) continue;
        k ^= ClesHachage.Zobrist[p][c];
    }
    return k;
}

}  // namespace velkar
