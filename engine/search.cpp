// The alpha-beta search of every node below the root: fail-hard negamax
// with a transposition table, null move, futility pruning, late-move
// reductions and check, single-reply and mate-threat extensions.
#include <cstdlib>

#include "../platform/plateforme.h"
#include "velkar.h"

namespace velkar {

namespace {

// Extensions are granted only while the line stays within this many plies
// beyond the iteration's horizon.
constexpr int32_t RoomExtension = 32;

}  // namespace

void TVelkar::CopieLigne(pLigne Ligne, int32_t Depart, int32_t Arrivee, int32_t Promotion, const LigneVP& Enfant) {
    Ligne->Coups[0] = CoupVP{static_cast<int8_t>(Arrivee), static_cast<int8_t>(Promotion), static_cast<int8_t>(Depart)};
    int32_t n = Enfant.NbCoups;
    if (n > CoupsParLigne - 1) n = CoupsParLigne - 1;
    for (int32_t k = 0; k < n; ++k) Ligne->Coups[k + 1] = Enfant.Coups[k];
    Ligne->NbCoups = n + 1;
}

bool TVelkar::CompteNoeud() {
    if ((Noeuds & 4095) == 0 && !VerifieTemps()) {
        Arret = true;
        return false;
    }
    ++Noeuds;
    if ((Noeuds & 524287) == 0) {
        const uint32_t Maintenant = static_cast<uint32_t>(plateforme::GetTickCount());
        if (Maintenant >= DernierAffichage && Maintenant - DernierAffichage >= 1000) {
            EF(ChaineInfosPrimaire(NbCoupsRacine - NumCoupRacine + 1, TexteCoup[DemiCoupRacine]));
            DernierAffichage = Maintenant;
        }
    }
    return true;
}

bool TVelkar::ElagueDistanceMat(int32_t Eloignement, int16_t& Alpha, int16_t& Beta, int16_t& Borne) {
    // No line from here can beat being mated here, nor a mate given at the
    // next ply: narrow the window to that, and stop when it closes.
    const int32_t m = 14999 - Eloignement;
    if (m < Beta) {
        Beta = static_cast<int16_t>(m);
        if (m <= Alpha) {
            Borne = static_cast<int16_t>(m);
            return true;
        }
    }
    if (-m > Alpha) {
        Alpha = static_cast<int16_t>(-m);
        if (-m >= Beta) {
            Borne = static_cast<int16_t>(-m);
            return true;
        }
    }
    return false;
}

bool TVelkar::DonneEchec(int32_t p, int32_t s, int32_t a, bool Capture) {
    // Castling, double steps and en-passant captures can check in ways the
    // fast test does not see (the rook, or a line opened by the taken pawn).
    const int32_t Type = Pieces[p].TypePiece;
    const int32_t Ecart = std::abs(a - s);
    if ((Type == 6 && Ecart == 2) || (Type == 1 && Ecart != 8 && !Capture)) return RoiEchec(Camp);
    return EchecRapide2(s, a);
}

int16_t TVelkar::AlphaBeta(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool NulPermis,
                           bool Echec) {
    // 1. Stop, count, report.
    if (Arret) return 0;
    if (!CompteNoeud()) return 0;
    const int32_t Eloignement = NumDemiCoup - DemiCoupRacine;
    if (Eloignement > ProfondeurSel) ProfondeurSel = Eloignement;

    // 2. Mate-distance pruning.
    if (int16_t Borne; ElagueDistanceMat(Eloignement, Alpha, Beta, Borne)) return Borne;
    const int16_t AlphaEntree = Alpha;

    // 3. Draws by the fifty-move rule and by repetition.
    if (Compteur50 >= 100) return 0;
    if (Repetition()) return 0;

    // 4. Transposition table.
    int8_t Drapeau = 1;
    const int16_t Table = HashRecherche(Profondeur, Alpha, Beta, &Drapeau);
    if (Table != HashVide) {
        if (Drapeau == 0) return Table;
        if (Drapeau == 1) return Table > Alpha ? Table : Alpha;
        if (Drapeau == 2) return Table < Beta ? Table : Beta;
        return Table;
    }
    const bool Veto = Drapeau == 3;

    // 5. Horizon: a side in check gets one more ply, the rest goes to the
    // quiescence search.
    const int16_t ProfondeurStockee = Profondeur < 0 ? 0 : Profondeur;
    if (Profondeur <= 0) {
        Profondeur = 0;
        if (Echec && NumDemiCoup <= DemiCoupMax + RoomExtension) {
            Profondeur = 1;
        } else {
            return Quies(Alpha, Beta);
        }
    }

    LigneVP Enfant;
    Enfant.NbCoups = 0;

    // 6. Null move: if passing still leaves us at or above Beta, the position
    // is good enough to cut.  A mate threat revealed by passing extends instead.
    if (NulPermis && !Echec && !Veto && Profondeur >= 2 &&
        (Camp == 1 ? NbPiecesBlanches : NbPiecesNoires) >= 4 && Beta > Alpha + 1 && EvalStatique() >= Beta) {
        FaireCoupNul();
        const int32_t Reduite = Profondeur >= 6 ? Profondeur / 2 - 1 : Profondeur - 3;
        const int32_t v = -AlphaBeta(static_cast<int16_t>(Reduite), static_cast<int16_t>(-Beta),
                                     static_cast<int16_t>(-Beta + 1), &Enfant, false, false);
        Restaure();
        if (Arret) return 0;
        if (v > -14000 && v < 14000) {
            if (v >= Beta) return Beta;
        } else if (NumDemiCoup + Profondeur <= DemiCoupMax + RoomExtension) {
            ++Profondeur;
        }
    }

    // 7. Futility: one ply above the horizon, far below Alpha, late quiet
    // moves cannot catch up.
    const bool Futilite = Eloignement > Profondeur && Profondeur == 1 && !Echec && std::abs(Alpha) < 14500 &&
                          EvalStatique() + FP_Tab[Profondeur] <= Alpha;

    // 8. The table move for the ordering (the null-move search may have
    // replaced it), then the moves.
    if (CoupHash[0][0] == -1 && Profondeur >= 2) {
        int8_t Ignore = 1;
        HashRecherche(static_cast<int16_t>(Profondeur - 1), Alpha, Beta, &Ignore);
    }
    EnEchec[NumDemiCoup] = Echec;
    GenereListeCoups();
    const int32_t n = ListeCoups[NumDemiCoup].NbCoups;
    if (n == 0) return static_cast<int16_t>(Echec ? Eloignement - 14999 : 0);

    // 9. A single legal reply is searched one ply deeper.
    if (n == 1 && NumDemiCoup + Profondeur <= DemiCoupMax + RoomExtension) {
        ++Profondeur;
    } else {
        TrieListeCoups(Beta <= Alpha + 1);
    }

    // 10. The moves, best-ordered first.
    const int32_t ProfondeurBase = Profondeur;
    bool Ameliore = false;
    int32_t Calmes = 0;
    int32_t MeilleurP = -1, MeilleurA = -1, MeilleurC = -1;
    for (int32_t i = n; i >= 1; --i) {
        const sCoup Coup = ListeCoups[NumDemiCoup].Coups[i];
        const int32_t p = Coup.Piece, a = Coup.Arrivee, c = Coup.Promotion;
        int32_t d = ProfondeurBase;
        const int32_t s = Pieces[p].CasePiece;
        const bool Capture = Echiquier[a] != 0;
        EffectuerDeplacement(s, a, c);
        const bool Echecs = DonneEchec(p, s, a, Capture);
        const bool Calme = !Capture && !Echecs;
        if (Calme) ++Calmes;
        const bool HistoireFaible = Historique[NumDemiCoup - 1][Pieces[p].TypePiece][a] < 10;

        if (Futilite && Calmes >= 4 && Calme && c == -1 && Beta > Alpha + 1 && Ameliore && !Veto &&
            HistoireFaible) {
            Restaure();
            continue;
        }
        if (Echecs && NumDemiCoup + d <= DemiCoupMax + RoomExtension) ++d;

        int32_t v;
        if (Calme && Calmes >= 4 && d >= 4) {
            // Late quiet moves are first searched with less depth and a null
            // window; only those that beat Alpha get the full search.
            const bool Profonde = !Echec && d >= 6 && Calmes >= 8 && Beta > Alpha + 1 &&
                                  (Camp == 1 ? NbPiecesBlanches : NbPiecesNoires) >= 4 && Ameliore && c == -1 &&
                                  HistoireFaible;
            Enfant.NbCoups = 0;
            v = -AlphaBeta(static_cast<int16_t>(Profonde ? d - 4 : d - 3), static_cast<int16_t>(-Alpha - 1),
                           static_cast<int16_t>(-Alpha), &Enfant, true, false);
            if (Arret) {
                Restaure();
                return 0;
            }
        } else {
            v = Alpha + 1;
        }
        if (v > Alpha) {
            Enfant.NbCoups = 0;
            v = -AlphaBeta(static_cast<int16_t>(d - 1), static_cast<int16_t>(-Beta), static_cast<int16_t>(-Alpha),
                           &Enfant, true, Echecs);
        }
        Restaure();
        if (Arret) return 0;

        if (v >= Beta) {
            Historique[NumDemiCoup][Pieces[p].TypePiece][a] += 32;
            if (NumDemiCoup > HistoriqueMaxDemiCoup) HistoriqueMaxDemiCoup = NumDemiCoup;
            int32_t* Tueurs = Killers[NumDemiCoup];
            Tueurs[2] = Tueurs[0];
            Tueurs[3] = Tueurs[1];
            Tueurs[0] = p;
            Tueurs[1] = a;
            if (NulPermis)
                HashEnregistre(ProfondeurStockee, Beta, 2, static_cast<int8_t>(p), static_cast<int8_t>(a),
                               static_cast<int8_t>(c));
            return Beta;
        }
        if (v > Alpha) {
            Alpha = static_cast<int16_t>(v);
            MeilleurP = p;
            MeilleurA = a;
            MeilleurC = c;
            Ameliore = true;
            CopieLigne(Ligne, s, a, c, Enfant);
            if (Alpha > 14500) return Alpha;
        }
        if (Arret) return 0;
    }

    // 11. Store the result: exact with its move when a move raised Alpha,
    // otherwise an upper bound.  Replies to a null move store nothing.
    if (NulPermis) {
        if (Alpha > AlphaEntree) {
            HashEnregistre(ProfondeurStockee, Alpha, 0, static_cast<int8_t>(MeilleurP), static_cast<int8_t>(MeilleurA),
                           static_cast<int8_t>(MeilleurC));
        } else {
            HashEnregistre(ProfondeurStockee, Alpha, 1, -1, -1, -1);
        }
    }
    return Alpha;
}

}  // namespace velkar
