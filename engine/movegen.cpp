// Legal move generation in a fixed order: pieces by number, and for each
// piece its moves in a fixed direction order.  Every candidate is tested for
// legality before it is listed, so the search never meets an illegal move.
#include "velkar.h"

namespace velkar {

void TVelkar::AjouteCoup(int32_t Piece, int32_t CaseArrivee, int32_t Promotion) {
    ListeCoupsPly& Liste = ListeCoups[NumDemiCoup];
    if (Liste.NbCoups >= CoupsParListe) return;
    sCoup& m = Liste.Coups[++Liste.NbCoups];
    m.Piece = static_cast<uint8_t>(Piece);
    m.Arrivee = static_cast<uint8_t>(CaseArrivee);
    m.Promotion = static_cast<int8_t>(Promotion);
}

void TVelkar::AjouteCap(int32_t Piece, int32_t CaseArrivee, int32_t Promotion) {
    AjouteCoup(Piece, CaseArrivee, Promotion);
}

// The moves of one slider along one ray, up to the first piece.  A pinned
// piece skips the illegal squares but the walk goes on.
void TVelkar::BlocAjouteCoup(int32_t Direction, int32_t Piece, int32_t CampJoueur) {
    const int32_t s = Pieces[Piece].CasePiece;
    const int32_t* Rayon = Rayons[s][Direction];
    for (int32_t k = 1; k <= Rayon[0]; ++k) {
        const int32_t t = Rayon[k];
        const int32_t p = Echiquier[t];
        if (p != 0) {
            const bool Ami = CampJoueur == 1 ? p <= 16 : p > 16;
            if (Ami || p == 16 || p == 32) return;
        }
        if (!EchecRapide(CampJoueur, Piece, s, t)) AjouteCoup(Piece, t, -1);
        if (p != 0) return;
    }
}

void TVelkar::GenereListeCoups() {
    ListeCoups[NumDemiCoup].NbCoups = 0;
    const int32_t CampJoueur = Camp;
    const bool Blanc = CampJoueur == 1;
    const int32_t Premier = Blanc ? 1 : 17, Dernier = Blanc ? 16 : 32;
    const int32_t RoiEnnemi = Blanc ? 32 : 16;
    auto EstEnnemi = [Blanc](int32_t p) { return Blanc ? p > 16 : (p >= 1 && p <= 16); };
    // A square a piece may go to: empty, or an enemy other than the king.
    auto Accessible = [&](int32_t t) {
        const int32_t p = Echiquier[t];
        return p == 0 || (EstEnnemi(p) && p != RoiEnnemi);
    };

    for (int32_t n = Premier; n <= Dernier; ++n) {
        const int32_t s = Pieces[n].CasePiece;
        const int32_t Type = Pieces[n].TypePiece;
        if (s == -1 || Type < 1 || Type > 6) continue;
        switch (Type) {
            case 1: {
                const int32_t Avance = Blanc ? 8 : -8;
                auto Promeut = [Blanc](int32_t t) { return Blanc ? t > 56 : t < 9; };
                auto AjoutePion = [&](int32_t t) {
                    if (Promeut(t)) {
                        for (int32_t p = 2; p <= 5; ++p) AjouteCoup(n, t, p);
                    } else {
                        AjouteCoup(n, t, -1);
                    }
                };
                const int32_t t = s + Avance;
                if (Echiquier[t] == 0) {
                    if (!EchecRapide(CampJoueur, n, s, t)) AjoutePion(t);
                    const bool RangDepart = Blanc ? s < 17 : s > 48;
                    const int32_t t2 = s + 2 * Avance;
                    if (RangDepart && Echiquier[t2] == 0 && !EchecRapide(CampJoueur, n, s, t2))
                        AjouteCoup(n, t2, -1);
                }
                const int32_t Prises[2] = {Blanc ? s + 7 : s - 9, Blanc ? s + 9 : s - 7};
                const bool Permise[2] = {CaseVersX[s] > 1, CaseVersX[s] < 8};
                for (int k = 0; k < 2; ++k) {
                    if (!Permise[k]) continue;
                    const int32_t c = Prises[k];
                    const int32_t p = Echiquier[c];
                    if (p != 0 && EstEnnemi(p) && p != RoiEnnemi && !EchecRapide(CampJoueur, n, s, c))
                        AjoutePion(c);
                }
                if (CaseEnPassant != -1 && CaseVersY[CaseEnPassant] == (Blanc ? 6 : 3)) {
                    const int32_t e = CaseEnPassant;
                    const bool Cas1 = s == (Blanc ? e - 9 : e + 7) && CaseVersX[e] > 1;
                    const bool Cas2 = s == (Blanc ? e - 7 : e + 9) && CaseVersX[e] < 8;
                    if (Cas1 || Cas2) {
                        // Both pawns leave the rank at once, which may uncover the
                        // king: play the capture and look.
                        EffectuerDeplacement(s, e, -1);
                        const bool Attaque = RoiEchec(CampJoueur);
                        Restaure();
                        if (!Attaque) AjouteCoup(n, e, -1);
                    }
                }
                break;
            }
            case 2: {
                const int32_t* Sauts = Rayons[s][9];
                for (int32_t k = 1; k <= Sauts[0]; ++k) {
                    const int32_t t = Sauts[k];
                    if (Accessible(t) && !EchecRapide(CampJoueur, n, s, t)) AjouteCoup(n, t, -1);
                }
                break;
            }
            case 3:
                for (int32_t d : DirectionsFou) BlocAjouteCoup(d, n, CampJoueur);
                break;
            case 4:
                for (int32_t d : DirectionsTour) BlocAjouteCoup(d, n, CampJoueur);
                break;
            case 5:
                for (int32_t d = 1; d <= 8; ++d) BlocAjouteCoup(d, n, CampJoueur);
                break;
            case 6: {
                for (int32_t d = 1; d <= 8; ++d) {
                    if (Rayons[s][d][0] == 0) continue;
                    const int32_t t = Rayons[s][d][1];
                    if (Accessible(t) && !EchecRapide(CampJoueur, n, s, t)) AjouteCoup(n, t, -1);
                }
                if (EnEchec[NumDemiCoup]) break;
                // Castling: the squares between king and rook empty, and the
                // squares the king crosses and lands on not attacked.
                struct Roque {
                    int32_t Droit, Vides[3], NbVides, Surs[2], Arrivee;
                };
                const Roque Roques[2] = {
                    Blanc ? Roque{RoqueBlancPetit, {6, 7, 0}, 2, {6, 7}, 7}
                          : Roque{RoqueNoirPetit, {62, 63, 0}, 2, {62, 63}, 63},
                    Blanc ? Roque{RoqueBlancGrand, {4, 3, 2}, 3, {4, 3}, 3}
                          : Roque{RoqueNoirGrand, {60, 59, 58}, 3, {60, 59}, 59}};
                for (const Roque& r : Roques) {
                    if (r.Droit == -1) continue;
                    bool Possible = true;
                    for (int32_t k = 0; k < r.NbVides && Possible; ++k) Possible = Echiquier[r.Vides[k]] == 0;
                    for (int32_t k = 0; k < 2 && Possible; ++k) Possible = !EchecRapide(CampJoueur, n, s, r.Surs[k]);
                    if (Possible) AjouteCoup(n, r.Arrivee, -1);
                }
                break;
            }
            default:
                break;
        }
    }
}

// Captures and promotions for the quiescence search, pieces by descending
// number so that the king and the heavy pieces come first.  En passant,
// castling and quiet moves are never listed.
void TVelkar::BlocAjouteCap(int32_t Direction, int32_t Piece, int32_t CampJoueur) {
    const int32_t s = Pieces[Piece].CasePiece;
    const int32_t* Rayon = Rayons[s][Direction];
    for (int32_t k = 1; k <= Rayon[0]; ++k) {
        const int32_t t = Rayon[k];
        const int32_t p = Echiquier[t];
        if (p == 0) continue;
        const bool Adverse = CampJoueur == 1 ? p > 16 : p <= 16;
        if (Adverse && Pieces[p].ValeurPiece > 50 && !EchecRapide(CampJoueur, Piece, s, t))
            AjouteCap(Piece, t, -1);
        return;
    }
}

void TVelkar::GenereListeCaps() {
    ListeCoups[NumDemiCoup].NbCoups = 0;
    const int32_t CampJoueur = Camp;
    const bool Blanc = CampJoueur == 1;
    const int32_t Premier = Blanc ? 16 : 32, Dernier = Blanc ? 1 : 17;
    // A capturable piece: the other colour and worth more than 50 (this
    // rules out the king and, through piece 0, the empty square).
    auto Capturable = [&](int32_t t) {
        const int32_t p = Echiquier[t];
        if (p == 0) return false;
        const bool Adverse = Blanc ? p > 16 : p <= 16;
        return Adverse && Pieces[p].ValeurPiece > 50;
    };
    for (int32_t n = Premier; n >= Dernier; --n) {
        const int32_t s = Pieces[n].CasePiece;
        if (s == -1) continue;
        switch (Pieces[n].TypePiece) {
            case 4:
                for (int32_t d : DirectionsTour) BlocAjouteCap(d, n, CampJoueur);
                break;
            case 3:
                for (int32_t d : DirectionsFou) BlocAjouteCap(d, n, CampJoueur);
                break;
            case 5:
                for (int32_t d = 1; d <= 8; ++d) BlocAjouteCap(d, n, CampJoueur);
                break;
            case 2: {
                const int32_t* Sauts = Rayons[s][9];
                for (int32_t k = 1; k <= Sauts[0]; ++k) {
                    const int32_t t = Sauts[k];
                    if (Capturable(t) && !EchecRapide(CampJoueur, n, s, t)) AjouteCap(n, t, -1);
                }
                break;
            }
            case 1: {
                const int32_t Avance = Blanc ? 8 : -8;
                auto Promeut = [Blanc](int32_t t) { return Blanc ? t > 56 : t < 9; };
                const int32_t t = s + Avance;
                if (Echiquier[t] == 0 && Promeut(t) && !EchecRapide(CampJoueur, n, s, t))
                    for (int32_t p = 2; p <= 5; ++p) AjouteCap(n, t, p);
                const int32_t Prises[2] = {s + Avance - 1, s + Avance + 1};
                const bool Permise[2] = {CaseVersX[s] > 1, CaseVersX[s] < 8};
                for (int k = 0; k < 2; ++k) {
                    if (!Permise[k]) continue;
                    const int32_t c = Prises[k];
                    if (!Capturable(c) || EchecRapide(CampJoueur, n, s, c)) continue;
                    if (Promeut(c)) {
                        for (int32_t p = 2; p <= 5; ++p) AjouteCap(n, c, p);
                    } else {
                        AjouteCap(n, c, -1);
                    }
                }
                break;
            }
            default: {
                for (int32_t d = 1; d <= 8; ++d) {
                    if (Rayons[s][d][0] == 0) continue;
                    const int32_t t = Rayons[s][d][1];
                    if (Capturable(t) && !EchecRapide(CampJoueur, n, s, t)) AjouteCap(n, t, -1);
                }
                break;
            }
        }
    }
}

}  // namespace velkar
