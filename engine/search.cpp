// The alpha-beta search of every node below the root: fail-hard negamax
// with a transposition table, null move, futility pruning, late-move
// reductions and check, single-reply and mate-threat extensions.
#include <cstdlib>

#include "searcher.h"
#include "syzygy.h"

namespace velkar {

int16_t TChercheur::AlphaBeta(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool NulPermis,
                              bool Echec) {
    // 1. Stop, count, report.
    if (Arret) return 0;
    if (!CompteNoeud(false)) return 0;
    const int32_t Eloignement = Pos.NumDemiCoup - DemiCoupRacine;
    if (Eloignement > ProfondeurSel) ProfondeurSel = Eloignement;

    // 2. Mate-distance pruning.
    if (int16_t Borne; ElagueDistanceMat(Eloignement, Alpha, Beta, Borne)) return Borne;
    const int16_t AlphaEntree = Alpha;

    // 3. Draws by the fifty-move rule and by repetition.
    if (Pos.Compteur50 >= 100) return 0;
    if (Pos.Repetition()) return 0;

    // 4. Transposition table.
    const TSondage Table = Sonde(Profondeur, Alpha, Beta);
    if (Table.Coupure && !(MatLePlusCourt && MatExactDeLaTable(Table, Alpha, Beta))) return Table.Score;
    TCoupTable CoupTable = Table.Coup;

    // The endgame tables, once a capture or a pawn move made the position new.
    if (PiecesFinales > 0 && Pos.Compteur50 == 0) {
        TResultatFinale Resultat;
        if (Finales->Sonde(Pos, Resultat)) {
            ++TbHits;
            const int32_t v = ScoreFinale(Resultat, Eloignement);
            return static_cast<int16_t>(v >= Beta ? Beta : v <= Alpha ? Alpha : v);
        }
    }

    // 5. Horizon: a side in check gets one more ply, the rest goes to the
    // quiescence search.
    const int16_t ProfondeurStockee = Profondeur < 0 ? 0 : Profondeur;
    if (Profondeur <= 0) {
        Profondeur = 0;
        if (Echec && Pos.NumDemiCoup <= DemiCoupMax + RoomExtension) {
            Profondeur = 1;
        } else {
            return Quies(Alpha, Beta);
        }
    }

    LigneVP Enfant;
    Enfant.NbCoups = 0;

    // 6. Null move: if passing still leaves us at or above Beta, the position
    // is good enough to cut.  A mate threat revealed by passing extends instead.
    if (NulPermis && !Echec && !Table.VetoNul && Profondeur >= 2 && Pos.NbPieces(Pos.Camp) >= 4 && Beta > Alpha + 1 &&
        EvalStatique() >= Beta) {
        Pos.FaireCoupNul();
        Transposition.Precharge(Pos.Cle);
        const int32_t Reduite = Profondeur >= 6 ? Profondeur / 2 - 1 : Profondeur - 3;
        const int32_t v = -AlphaBeta(static_cast<int16_t>(Reduite), static_cast<int16_t>(-Beta),
                                     static_cast<int16_t>(-Beta + 1), &Enfant, false, false);
        Pos.Restaure();
        // The probes of the null-move search stand in for ours: the move
        // of the last one is the one tried first here.
        CoupTable = CoupDernierSondage;
        if (Arret) return 0;
        if (v > -SeuilMatNul && v < SeuilMatNul) {
            if (v >= Beta) return Beta;
        } else if (Pos.NumDemiCoup + Profondeur <= DemiCoupMax + RoomExtension) {
            ++Profondeur;
        }
    }

    // 7. Futility: one ply above the horizon, far below Alpha, late quiet
    // moves cannot catch up.
    const bool Futilite = Eloignement > Profondeur && Profondeur == 1 && !Echec && std::abs(Alpha) < SeuilMat &&
                          EvalStatique() + MargeFutilite <= Alpha;

    // 8. Without a table move, one from a shallower search; then the moves.
    if (CoupTable.Piece == -1 && Profondeur >= 2)
        CoupTable = Sonde(static_cast<int16_t>(Profondeur - 1), Alpha, Beta).Coup;
    Pos.NoteEchec(Echec);
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    Pos.GenereListeCoups(Liste);
    const int32_t n = Liste.NbCoups;
    if (n == 0) return static_cast<int16_t>(Echec ? -MatEn(Eloignement) : 0);

    // 9. A single legal reply is searched one ply deeper.
    int32_t Differe = 0;  // the move taken first while the sort waits (see TriDiffere)
    if (n == 1 && Pos.NumDemiCoup + Profondeur <= DemiCoupMax + RoomExtension) {
        ++Profondeur;
    } else {
        Differe = NoteListeCoups(CoupTable);
    }

    // 10. The moves, best-ordered first.
    const int32_t ProfondeurBase = Profondeur;
    bool Ameliore = false;
    int32_t Calmes = 0;
    TCoupTable Meilleur;
    for (int32_t i = n; i >= 1; --i) {
        const sCoup Coup = Liste.Coups[CoupAPrendre(i, n, Differe)];
        const int32_t p = Coup.Piece, a = Coup.Arrivee, c = Coup.Promotion;
        int32_t d = ProfondeurBase;
        const int32_t s = Pos.Pieces[p].CasePiece;
        const bool Capture = Pos.EstPrise(p, a);
        Pos.EffectuerDeplacement(s, a, c);
        Transposition.Precharge(Pos.Cle);
        const bool Echecs = DonneEchec(p, s, a, Capture);
        const bool Calme = !Capture && !Echecs;
        if (Calme) ++Calmes;
        const bool HistoireFaible = Historique[Pos.NumDemiCoup - 1][Pos.Pieces[p].TypePiece][a] < 10;

        if (Futilite && Calmes >= 4 && Calme && c == SansPromotion && Beta > Alpha + 1 && Ameliore && !Table.VetoNul &&
            HistoireFaible) {
            Pos.Restaure();
            continue;
        }
        if (Echecs && Pos.NumDemiCoup + d <= DemiCoupMax + RoomExtension) ++d;

        int32_t v;
        if (Calme && Calmes >= 4 && d >= 4) {
            // Late quiet moves are first searched with less depth and a null
            // window; only those that beat Alpha get the full search.
            const bool Profonde = !Echec && d >= 6 && Calmes >= 8 && Beta > Alpha + 1 && Pos.NbPieces(Pos.Camp) >= 4 &&
                                  Ameliore && c == SansPromotion && HistoireFaible;
            Enfant.NbCoups = 0;
            v = -AlphaBeta(static_cast<int16_t>(Profonde ? d - 4 : d - 3), static_cast<int16_t>(-Alpha - 1),
                           static_cast<int16_t>(-Alpha), &Enfant, true, false);
            if (Arret) {
                Pos.Restaure();
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
        Pos.Restaure();
        if (Arret) return 0;

        if (v >= Beta) {
            // Below the root every quiet or capturing cut-off is a killer;
            // the history grows by a fixed step (the root's rules differ).
            NoteHistorique(Pos.Pieces[p].TypePiece, a, 32);
            int32_t* Tueurs = Killers[Pos.NumDemiCoup];
            Tueurs[2] = Tueurs[0];
            Tueurs[3] = Tueurs[1];
            Tueurs[0] = p;
            Tueurs[1] = a;
            // Replies to a null move store nothing.
            if (NulPermis)
                Transposition.HashEnregistre(Pos.Cle, ProfondeurStockee, ScorePourTable(Beta), BorneBasse, {p, a, c});
            return Beta;
        }
        if (v > Alpha) {
            Alpha = static_cast<int16_t>(v);
            Meilleur = TCoupTable{p, a, c};
            Ameliore = true;
            CopieLigne(Ligne, s, a, c, Enfant);
            if (Alpha > SeuilMat && !MatLePlusCourt) return Alpha;
        }
        if (Arret) return 0;
    }

    // 11. Store the result.  Replies to a null move store nothing.
    if (NulPermis) EnregistreResultat(ProfondeurStockee, Alpha, AlphaEntree, Meilleur);
    return Alpha;
}

}  // namespace velkar
