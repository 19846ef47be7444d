// The static evaluation: the positional part of the score, from the side to
// move's point of view; material is added by the callers.  Every sum is kept
// as a 16-bit value, as the search's scores are.
#include "eval.h"

namespace velkar {

namespace {

inline int16_t Somme16(int32_t a, int32_t b) { return static_cast<int16_t>(a + b); }

inline bool EstPionNumero(const TPosition& v, int32_t Case, int32_t Premier) {
    const int32_t p = v.Echiquier[Case];
    return p >= Premier && p < Premier + PionsParCamp && v.Pieces[p].TypePiece == Pion;
}

inline bool SurPlace(const TPosition& v, int32_t Piece) { return v.Pieces[Piece].CasePiece != -1; }

// Squares counted with the processor's popcnt instruction where the caller
// is compiled for it (see Eval), by arithmetic otherwise.
template <bool Popcnt>
[[gnu::always_inline]] inline int32_t Compte(Bitboard b) {
    if constexpr (Popcnt) {
        return __builtin_popcountll(b);
    } else {
        return NbBits(b);
    }
}

// Sliders: one point per empty square up to the first piece of each ray,
// and the distance weight of an enemy piece that ends a ray.
template <bool Popcnt>
[[gnu::always_inline]] inline int32_t Glissade(Bitboard Atteintes, Bitboard Cibles, const Occupation& o, int32_t K) {
    int32_t n = Compte<Popcnt>(Atteintes & ~o.Tous);
    for (Bitboard e = Atteintes & Cibles; e != 0; e &= e - 1) n += Geometrie.PoidsDistance[K][__builtin_ctzll(e)];
    return n;
}

// The activity of a piece of kind Type on s, whose side's pieces stand on
// Amis and whose enemy's king on K.
template <bool Popcnt>
[[gnu::always_inline]] inline int32_t ActiviteType(int32_t Type, int32_t s, bool DameOriginale, const Occupation& o,
                                                   Bitboard Amis, Bitboard Ennemis, int32_t K) {
    switch (Type) {
        case Cavalier: {
            // A knight weighs every square it reaches, empty or enemy, by its
            // distance to the enemy king: 15 on it, 5 next to it, 2 at two.
            const Bitboard A = Bitboards.Cavalier[s] & ~Amis;
            int32_t n = Compte<Popcnt>(A) + 4 * Compte<Popcnt>(A & Bitboards.Voisins[K]) +
                        Compte<Popcnt>(A & Bitboards.Couronne2[K]);
            if (A & Bit(K)) n += 14;
            return n;
        }
        case Fou: return Glissade<Popcnt>(AttaquesFou(s, o.Tous), Ennemis, o, K);
        case Tour: return Glissade<Popcnt>(AttaquesTour(s, o.Tous), Ennemis, o, K);
        case Dame:
            // Only the two original queens weigh the enemy piece at the end of
            // a ray; a promoted queen counts its empty squares only.
            return Glissade<Popcnt>(AttaquesFou(s, o.Tous) | AttaquesTour(s, o.Tous), DameOriginale ? Ennemis : 0, o,
                                    K);
        case Roi: return Compte<Popcnt>(Bitboards.Voisins[s] & ~o.Tous);
        default: return 0;
    }
}

template <bool Popcnt>
[[gnu::always_inline]] inline int32_t ActiviteDe(const TPosition& Pos, int32_t Piece, const Occupation& o) {
    const TPiece* Pieces = Pos.Pieces;
    const int32_t s = Pieces[Piece].CasePiece;
    if (s == -1) return 0;
    const bool PieceBlanche = EstBlanche(Piece);
    return ActiviteType<Popcnt>(Pieces[Piece].TypePiece, s, Piece == DameBlanche || Piece == DameNoire, o,
                                o.Couleur[PieceBlanche ? Blanc : Noir], o.Couleur[PieceBlanche ? Noir : Blanc],
                                Pieces[PieceBlanche ? RoiNoir : RoiBlanc].CasePiece);
}

// The activity of every non-pawn piece of one side, king included.  The
// numbers after the pawns' always hold their own kind, so each is counted
// as that kind; a pawn number may hold a promoted piece (or one a position
// gives beyond the starting set).
template <bool Popcnt, int32_t CampPieces>
[[gnu::always_inline]] inline int32_t ActiviteDuCamp(const TPosition& Pos, const Occupation& o) {
    constexpr int32_t Premier = PremierNumero(CampPieces);
    const TPiece* Pieces = Pos.Pieces;
    int32_t n = 0;
    if (Pos.Promus[CampPieces] != 0)
        for (int32_t p = Premier; p < Premier + PionsParCamp; ++p)
            if (Pieces[p].TypePiece != Pion) n += ActiviteDe<Popcnt>(Pos, p, o);
    const Bitboard Amis = o.Couleur[CampPieces], Ennemis = o.Couleur[CampAdverse(CampPieces)];
    const int32_t K = Pieces[NumeroRoi(CampAdverse(CampPieces))].CasePiece;
    auto Ajoute = [&](int32_t p, int32_t Type) {
        const int32_t s = Pieces[p].CasePiece;
        if (s != -1) n += ActiviteType<Popcnt>(Type, s, Type == Dame, o, Amis, Ennemis, K);
    };
    PourLesGenresFixes(CampPieces, Ajoute);
    return n;
}

}  // namespace

int32_t ActiviteSur(const TPosition& Pos, int32_t Piece, const Occupation& o) {
    return ActiviteDe<false>(Pos, Piece, o);
}

// Pawn structure S from White's point of view: doubled, isolated and
// unsupported pawns cost, free pawns earn their square value plus 21.
int16_t StructurePions(const TPosition& Pos) {
    const TPiece* Pieces = Pos.Pieces;
    const int32_t* Echiquier = Pos.Echiquier;
    int32_t ParColonne[3][9] = {};
    for (int32_t c = Blanc; c <= Noir; ++c) {
        const int32_t Premier = PremierNumero(c);
        for (int32_t n = Premier; n < Premier + PionsParCamp; ++n)
            if (Pieces[n].TypePiece == Pion && SurPlace(Pos, n)) ++ParColonne[c][CaseVersX[Pieces[n].CasePiece]];
    }
    int32_t Doubles[3] = {}, Isoles[3] = {}, NonSoutenus[3] = {}, Libres[3] = {};
    for (int32_t c = Blanc; c <= Noir; ++c) {
        const int32_t* Col = ParColonne[c];
        for (int32_t f = 1; f <= 8; ++f)
            if (Col[f] > 1) Doubles[c] += Col[f] - 1;
        Doubles[c] *= 41;
        if (Col[2] == 0) Isoles[c] += Col[1];
        if (Col[7] == 0) Isoles[c] += Col[8];
        for (int32_t f = 2; f <= 7; ++f)
            if (Col[f - 1] == 0 && Col[f + 1] == 0) Isoles[c] += Col[f];
        Isoles[c] *= 31;

        const int32_t Premier = PremierNumero(c);
        for (int32_t n = Premier; n < Premier + PionsParCamp; ++n) {
            if (Pieces[n].TypePiece != Pion || !SurPlace(Pos, n)) continue;
            const int32_t s = Pieces[n].CasePiece;
            const int32_t f = CaseVersX[s], r = CaseVersY[s];
            // Support: a friendly pawn beside it or diagonally behind it.
            const int32_t Derriere = c == Blanc ? -8 : 8;
            bool Soutenu = false;
            if (f < 8) Soutenu = EstPionNumero(Pos, s + 1, Premier) || EstPionNumero(Pos, s + 1 + Derriere, Premier);
            if (!Soutenu && f > 1)
                Soutenu = EstPionNumero(Pos, s - 1, Premier) || EstPionNumero(Pos, s - 1 + Derriere, Premier);
            if (!Soutenu) ++NonSoutenus[c];
            // Free: no pawn of either colour ahead on its file, up to the
            // seventh (second) rank.
            bool Libre = true;
            if (c == Blanc) {
                for (int32_t rr = r + 1; rr <= 7 && Libre; ++rr) {
                    const int32_t p = Echiquier[(rr - 1) * 8 + f];
                    Libre = !(p != 0 && Pieces[p].TypePiece == Pion);
                }
            } else {
                for (int32_t rr = r - 1; rr >= 2 && Libre; --rr) {
                    const int32_t p = Echiquier[(rr - 1) * 8 + f];
                    Libre = !(p != 0 && Pieces[p].TypePiece == Pion);
                }
            }
            if (Libre) Libres[c] += TabCasePiece[Pion][c][s] + 21;
        }
        NonSoutenus[c] *= 17;
    }
    const int32_t S = (Doubles[Noir] - Doubles[Blanc]) + (Isoles[Noir] - Isoles[Blanc]) +
                      (NonSoutenus[Noir] - NonSoutenus[Blanc]) + (Libres[Blanc] - Libres[Noir]);
    return static_cast<int16_t>(S);
}

namespace {

template <bool Popcnt>
[[gnu::always_inline]] inline int16_t EvalAvec(const TPosition& Pos, TTablePions& TablePions) {
    if (Pos.Compteur50 >= 100) return 0;
    const TPiece* Pieces = Pos.Pieces;
    const bool AuxBlancs = Pos.Camp == Blanc;
    // A term "for White" is added when White is to move and subtracted
    // otherwise, and the reverse for Black.
    auto PourBlanc = [AuxBlancs](int32_t v) { return AuxBlancs ? v : -v; };

    // Development: minor pieces still on their home squares in the opening.
    int16_t Developpement = 0;
    if (Pos.NumDemiCoup < 20) {
        // The knights and bishops of the starting set, each with its home square.
        static constexpr int32_t MineursBlancsChezEux[4][2] = {
            {CavaliersBlancs, 2}, {CavaliersBlancs + 1, 7}, {FousBlancs, 3}, {FousBlancs + 1, 6}};
        static constexpr int32_t MineursNoirsChezEux[4][2] = {
            {CavaliersNoirs, 58}, {CavaliersNoirs + 1, 63}, {FousNoirs, 59}, {FousNoirs + 1, 62}};
        for (const auto& m : MineursBlancsChezEux)
            if (Pieces[m[0]].CasePiece == m[1]) Developpement = Somme16(Developpement, PourBlanc(-11));
        for (const auto& m : MineursNoirsChezEux)
            if (Pieces[m[0]].CasePiece == m[1]) Developpement = Somme16(Developpement, -PourBlanc(-11));
    }

    // Pawn structure, through the pawn hash.  The probe and the store use the
    // current pawn key even where it is stale (inside a capture sequence).
    int16_t S = TablePions.HashRecherchePions(Pos.ClePions);
    if (S == HashVide) {
        S = StructurePions(Pos);
        TablePions.HashEnregistrePions(Pos.ClePions, S);
    }
    const int16_t TermePions = static_cast<int16_t>(PourBlanc(S / 4));

    // The occupied squares and the piece-square values of each side (kings
    // excluded), as the moves keep them for every ply.  The balance is the
    // difference of the two sums, so it wraps to 16 bits as they would.
    Occupation o;
    o.Tous = Pos.Occupations[Pos.NumDemiCoup];
    o.Couleur[Blanc] = Pos.OccupationsBlanches[Pos.NumDemiCoup];
    o.Couleur[Noir] = o.Tous & ~o.Couleur[Blanc];
    o.Couleur[0] = 0;
    const int16_t TermeCases = static_cast<int16_t>(PourBlanc(Pos.EcartsCases[Pos.NumDemiCoup]));

    // Activity of every non-pawn piece, king included.
    // Each sum wraps to 16 bits as a 16-bit sum of the pieces would.
    const int16_t ActiviteBlanche = static_cast<int16_t>(ActiviteDuCamp<Popcnt, Blanc>(Pos, o));
    const int16_t ActiviteNoire = static_cast<int16_t>(ActiviteDuCamp<Popcnt, Noir>(Pos, o));
    const int16_t TermeActivite = static_cast<int16_t>(PourBlanc(ActiviteBlanche - ActiviteNoire));

    int16_t Score = Somme16(TermeActivite, TermePions);
    Score = Somme16(Score, TermeCases);
    Score = Somme16(Score, Developpement);

    // Castling matters in the opening.
    if (Pos.NumDemiCoup < 40) {
        if (Pos.BlancARoque == 0) Score = Somme16(Score, PourBlanc(-50));
        if (Pos.NoirARoque == 0) Score = Somme16(Score, -PourBlanc(-50));
    }

    if (Pos.PaireFousBlancs == 1 && Pos.PaireFousNoirs == 0) Score = Somme16(Score, PourBlanc(54));
    if (Pos.PaireFousNoirs == 1 && Pos.PaireFousBlancs == 0) Score = Somme16(Score, -PourBlanc(54));

    // Lone king: drive it to the edge and close in with our own king.
    const int32_t Miens = Pos.NbPieces(Pos.Camp);
    const int32_t Siens = Pos.NbPieces(CampAdverse(Pos.Camp));
    const int32_t MonRoi = NumeroRoi(Pos.Camp), SonRoi = NumeroRoi(CampAdverse(Pos.Camp));
    if (Siens < 2) {
        const int32_t a = Pieces[MonRoi].CasePiece, b = Pieces[SonRoi].CasePiece;
        int32_t dx = CaseVersX[a] - CaseVersX[b], dy = CaseVersY[a] - CaseVersY[b];
        if (dx < 0) dx = -dx;
        if (dy < 0) dy = -dy;
        Score = Somme16(Score, -16 * (ActiviteDe<Popcnt>(Pos, SonRoi, o) + dx + dy));
    } else if (Miens < 2) {
        Score = Somme16(Score, 16 * ActiviteDe<Popcnt>(Pos, MonRoi, o));
    }

    // Material that cannot win.
    // A knight or a bishop of the starting set.
    auto MineurSurPlace = [&Pos](int32_t Cavaliers, int32_t Fous) {
        return SurPlace(Pos, Cavaliers) || SurPlace(Pos, Cavaliers + 1) || SurPlace(Pos, Fous) ||
               SurPlace(Pos, Fous + 1);
    };
    const bool MineurMien =
        AuxBlancs ? MineurSurPlace(CavaliersBlancs, FousBlancs) : MineurSurPlace(CavaliersNoirs, FousNoirs);
    if (Miens == 2 && Score > 0 && MineurMien) return 0;
    if (Pos.NbPiecesBlanches == 2 && Pos.NbPiecesNoires == 2) {
        const bool Tours = (SurPlace(Pos, ToursBlanches) || SurPlace(Pos, ToursBlanches + 1)) &&
                           (SurPlace(Pos, ToursNoires) || SurPlace(Pos, ToursNoires + 1));
        const bool Dames = SurPlace(Pos, DameBlanche) && SurPlace(Pos, DameNoire);
        if (Tours || Dames) return 0;
    }
    if (Pos.NbPiecesBlanches == 1 && Pos.NbPiecesNoires == 1) return 0;
    return Score;
}

#if defined(__x86_64__) || defined(__i386__)
// The evaluation counts squares in every piece's activity.  A portable x86
// build may not assume the popcnt instruction, so the evaluation is
// compiled twice, once for processors that have it, and the processor
// chooses at start.  Both count the same squares.
[[gnu::target("popcnt")]] int16_t EvalPopcnt(const TPosition& Pos, TTablePions& TablePions) {
    return EvalAvec<true>(Pos, TablePions);
}

int16_t EvalPortable(const TPosition& Pos, TTablePions& TablePions) { return EvalAvec<false>(Pos, TablePions); }

bool PopcntPresent() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("popcnt");
}

const bool AvecPopcnt = PopcntPresent();
#endif

}  // namespace

int16_t Eval(const TPosition& Pos, TTablePions& TablePions) {
#if defined(__x86_64__) || defined(__i386__)
    return AvecPopcnt ? EvalPopcnt(Pos, TablePions) : EvalPortable(Pos, TablePions);
#else
    // Other processors (64-bit ARM among them) count bits in one instruction
    // in every build.
    return EvalAvec<true>(Pos, TablePions);
#endif
}

}  // namespace velkar
