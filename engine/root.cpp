// The root of the search and the iterative-deepening driver.
#include <algorithm>
#include <cstdlib>

#include "../platform/plateforme.h"
#include "eval.h"
#include "searcher.h"
#include "syzygy.h"
#include "threads.h"

namespace velkar {

int16_t TChercheur::AlphaBetaRacine(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool Echec) {
    RacineAmelioree = false;
    // 1. Stop, count, report.
    if (Arret) return 0;
    if (!CompteNoeud(false)) return 0;

    // 2. Mate-distance pruning (it only narrows the window here).
    const int32_t Eloignement = Pos.NumDemiCoup - DemiCoupRacine;
    if (int16_t Borne; ElagueDistanceMat(Eloignement, Alpha, Beta, Borne)) return Borne;
    const int16_t AlphaEntree = Alpha;

    // 3. No draw test and no cut-off from the table at the root: the table
    // only supplies the move to try first.
    const TCoupTable CoupTable =
        Profondeur >= 2 ? Sonde(static_cast<int16_t>(Profondeur - 1), Alpha, Beta).Coup : TCoupTable{};
    const int16_t ProfondeurStockee = Profondeur < 0 ? 0 : Profondeur;

    // 4. The moves.
    Pos.EnEchec[Pos.NumDemiCoup] = Echec;
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    Pos.GenereListeCoups(Liste);
    int32_t n = Liste.NbCoups;
    if (n == 0) return static_cast<int16_t>(Echec ? Eloignement - ScoreMat : 0);

    // 5. Single reply, or ordering; then only the moves the search may play.
    if (n == 1 && Pos.NumDemiCoup + Profondeur <= DemiCoupMax + RoomExtension) {
        ++Profondeur;
    } else {
        TrieListeCoups(CoupTable);
        // The odd helpers take the root moves after the first from the other
        // end: what they refute there is in the table by the time the main
        // searcher comes to those moves, while it searches the likely ones.
        if (Ordre == OrdreInverse && n > 2) std::reverse(Liste.Coups + 1, Liste.Coups + n);
    }
    if (NbExclus > 0 || Limites.NbCoupsRecherche > 0) {
        FiltreRacine(Liste);
        n = Liste.NbCoups;
        if (n == 0) return Alpha;
    }

    // 6. The line starts with the move searched last, should nothing raise Alpha.
    NbCoupsRacine = n;
    const int32_t ProfondeurBase = Profondeur;
    Ligne->Coups[0] = TCoupUci{static_cast<int8_t>(Pos.CaseDe(Liste.Coups[1])),
                               static_cast<int8_t>(Liste.Coups[1].Arrivee), Liste.Coups[1].Promotion};

    // 7. Every root move at full depth and with the full window.
    LigneVP Enfant;
    TCoupTable Meilleur;
    for (int32_t i = n; i >= 1; --i) {
        const sCoup Coup = Liste.Coups[i];
        const int32_t p = Coup.Piece, a = Coup.Arrivee, c = Coup.Promotion;
        const int32_t d = ProfondeurBase;
        const int32_t s = Pos.Pieces[p].CasePiece;
        NumCoupRacine = i;
        TexteCoupRacine[EcritCoup(TexteCoupRacine, s, a, c)] = 0;
        Progression(false, n - i + 1);
        const bool Capture = Pos.EstPrise(p, a);
        Pos.EffectuerDeplacement(s, a, c);
        Transposition.Precharge(Pos.Cle);
        const bool Echecs = DonneEchec(p, s, a, Capture);
        Enfant.NbCoups = 0;
        const int32_t v = -AlphaBeta(static_cast<int16_t>(d - 1), static_cast<int16_t>(-Beta),
                                     static_cast<int16_t>(-Alpha), &Enfant, true, Echecs);
        Pos.Restaure();
        if (Arret) return 0;

        if (v >= Beta) {
            // At the root the history grows by the depth, and only a cut-off
            // worth remembering (not a promotion, not an even trade, not a
            // move sharing a piece or square with the killers) becomes one.
            NoteHistorique(Pos.Pieces[p].TypePiece, a, static_cast<uint32_t>(d));
            MetAJourTueurs(p, a, c);
            Transposition.HashEnregistre(Pos.Cle, ProfondeurStockee, Beta, BorneBasse, {p, a, c});
            return Beta;
        }
        if (v > Alpha) {
            Alpha = static_cast<int16_t>(v);
            Meilleur = TCoupTable{p, a, c};
            RacineAmelioree = true;
            CopieLigne(Ligne, s, a, c, Enfant);
            if (DemiCoupMax > 2 && Variantes == 1) {
                const std::string_view Infos = ChaineInfos(Ligne, Alpha, n - i + 1, TexteCoupRacine);
                if (!Infos.empty()) EF(Infos);
            }
            if (Alpha > SeuilMat) return Alpha;
        }
        if (i == 1 && !Arret && DemiCoupMax > 2 && Variantes == 1) {
            const std::string_view Infos = ChaineInfos(Ligne, Alpha, n, TexteCoupRacine);
            if (!Infos.empty()) EF(Infos);
        } else if (Arret) {
            return 0;
        }
    }

    // 8. Store and return; a search over part of the moves stores nothing.
    if (NbExclus == 0 && Limites.NbCoupsRecherche == 0)
        EnregistreResultat(ProfondeurStockee, Alpha, AlphaEntree, Meilleur);
    return Alpha;
}

bool TChercheur::ACoupLegal() {
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    Pos.GenereCoupsLegaux(Liste);
    return Liste.NbCoups > 0;
}

// When no iteration has chosen a move (a stop during the first iteration
// before any root move was searched to the end), answer with the move the
// first iteration searches first.
void TChercheur::CoupDeSecours() {
    const int32_t DemiCoupMaxGarde = DemiCoupMax;
    DemiCoupMax = Pos.NumDemiCoup;
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    Pos.GenereListeCoups(Liste);
    if (Liste.NbCoups > 1) TrieListeCoups(TCoupTable{});
    FiltreRacine(Liste);
    const sCoup& Premier = Liste.Coups[Liste.NbCoups];
    CoupRacine = TCoupTable{Premier.Piece, Premier.Arrivee, Premier.Promotion};
    DemiCoupCoupRacine = Pos.NumDemiCoup;
    DemiCoupMax = DemiCoupMaxGarde;
    // No iteration gave a score: the static one of the position.
    const int32_t e = Eval(Pos, Pions);
    ScoreCoupRacine = Pos.Camp == 1 ? e + Pos.Materiel : e - Pos.Materiel;
    ProfondeurCoupRacine = 0;
}

bool TChercheur::CoupDesTables() {
    TRacineFinale r;
    if (Limites.NbCoupsRecherche > 0 || Variantes > 1 || Pos.NumDemiCoup >= DemiCoupsPartieMax ||
        !SondeRacineFinale(Pos, r))
        return false;
    const ListeCoupsPly& Legaux = ListeCoups[Pos.NumDemiCoup];
    for (int32_t i = 1; i <= Legaux.NbCoups; ++i) {
        const sCoup& m = Legaux.Coups[i];
        if (!Pos.EstCoup(m, r.Depart, r.Arrivee, r.Promotion)) continue;
        ++TbHits;
        CoupRacine = TCoupTable{m.Piece, m.Arrivee, m.Promotion};
        DemiCoupCoupRacine = Pos.NumDemiCoup;
        ScoreCoupRacine = ScoreFinale(r.Resultat, 0);
        ProfondeurCoupRacine = 1;
        return true;
    }
    return false;
}

void TChercheur::RetientCoupsRecherche() {
    // The moves of go searchmoves that are legal here; if none is, all are.
    const ListeCoupsPly& Legaux = ListeCoups[Pos.NumDemiCoup];
    int32_t n = 0;
    for (int32_t k = 0; k < Limites.NbCoupsRecherche; ++k) {
        const TCoupUci c = Limites.CoupsRecherche[k];
        bool Legal = false;
        for (int32_t i = 1; i <= Legaux.NbCoups && !Legal; ++i)
            Legal = Pos.EstCoup(Legaux.Coups[i], c.Depart, c.Arrivee, c.Promotion);
        if (Legal) {
            Limites.CoupsRecherche[n++] = c;
        } else {
            EF("info string searchmoves: " + TexteCoup(c.Depart, c.Arrivee, c.Promotion) +
               " is not a legal move here, ignored");
        }
    }
    Limites.NbCoupsRecherche = n;
    if (n > 0) NbCoupsRacineCherches = n;
}

void TChercheur::FiltreRacine(ListeCoupsPly& Liste) const {
    int32_t n = 0;
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) {
        const sCoup& m = Liste.Coups[i];
        bool Garde = Limites.NbCoupsRecherche == 0;
        for (int32_t k = 0; k < Limites.NbCoupsRecherche && !Garde; ++k) {
            const TCoupUci& c = Limites.CoupsRecherche[k];
            Garde = Pos.EstCoup(m, c.Depart, c.Arrivee, c.Promotion);
        }
        for (int32_t k = 0; k < NbExclus && Garde; ++k)
            Garde = !(Exclus[k] == TCoupTable{m.Piece, m.Arrivee, m.Promotion});
        if (Garde) Liste.Coups[++n] = m;
    }
    Liste.NbCoups = n;
}

void TChercheur::VariationsSuivantes(int16_t Profondeur, bool Echec, const LigneVP& Premiere, int16_t Score) {
    auto Exclut = [this](const LigneVP& l) { Exclus[NbExclus++] = CoupTableDe(l.Coups[0]); };
    Variations[0] = Premiere;
    ScoresVariations[0] = Score;
    int32_t Nombre = 1;
    NbExclus = 0;
    Exclut(Premiere);
    const int32_t Voulues = std::min({Variantes, NbCoupsRacineCherches, VariationsMax});
    while (Nombre < Voulues) {
        LigneVP& l = Variations[Nombre];
        l.NbCoups = 0;
        const int16_t v = AlphaBetaRacine(Profondeur, -ScoreInfini, ScoreInfini, &l, Echec);
        if (Arret) break;
        ScoresVariations[Nombre++] = v;
        Exclut(l);
    }
    NbExclus = 0;

    // The variations searched to the end (a stop may cut the last ones),
    // best first: a later search may have found more than an earlier one.
    int32_t Ordre[VariationsMax];
    for (int32_t k = 0; k < Nombre; ++k) Ordre[k] = k;
    std::stable_sort(Ordre, Ordre + Nombre,
                     [this](int32_t x, int32_t y) { return ScoresVariations[x] > ScoresVariations[y]; });
    for (int32_t k = 0; k < Nombre; ++k) {
        const LigneVP& l = Variations[Ordre[k]];
        EF(ChaineInfosMultiPV(k + 1, l, ScoresVariations[Ordre[k]]));
    }
    NbCandidats = Nombre;
    std::copy(Ordre, Ordre + Nombre, Candidats);
    RetientVariation(Ordre[0]);
}

void TChercheur::RetientVariation(int32_t k) {
    const LigneVP& l = Variations[k];
    CoupRacine = CoupTableDe(l.Coups[0]);
    ScoreCoupRacine = ScoresVariations[k];
    char Texte[CoupsParLigne * 6 + 1];
    DerniereVP.assign(Texte, TexteVariation(l, Texte));
}

void TChercheur::ChoisitCoupDuNiveau(const TNiveau& Niveau) {
    if (NbCandidats < 2) return;
    // The variations must be those of the move the search settled on.
    if (!(CoupTableDe(Variations[Candidats[0]].Coups[0]) == CoupRacine)) return;
    int32_t Scores[VariationsMax];
    for (int32_t k = 0; k < NbCandidats; ++k) Scores[k] = ScoresVariations[Candidats[k]];
    const int32_t k = ChoisitCandidat(Scores, NbCandidats, Niveau, Pos.Cle);
    if (k != 0) RetientVariation(Candidats[k]);
}

std::string TChercheur::Recherche() {
    // 1-3. Set up the search.
    DemiCoupRacine = Pos.NumDemiCoup;
    DebutRecherche = static_cast<uint32_t>(plateforme::GetTickCount());
    DebutPonder = DebutRecherche;
    DemiCoupMax = Pos.NumDemiCoup - 1;
    int16_t a = -ScoreInfini, b = ScoreInfini;
    TempsAlloue = CalculeTemps();
    DebutTemps = DernierAffichage = static_cast<uint32_t>(plateforme::GetTickCount());
    int32_t Compteur = 0;
    Noeuds = 0;
    Arret = false;
    Iteration = 0;
    LigneAvecScore = false;
    NbExclus = 0;
    plateforme::PrepareEntreeRecherche();

    // At a limited strength: a node budget (larger against a bare king,
    // which must be mated), several root moves to choose from, and the
    // budget looked at often enough for the smallest one.
    NiveauLimite = Reglages.LimiteForce;
    const TNiveau Niveau = NiveauDeForce(Reglages.Elo);
    const bool RoiSeul = Pos.NbPieces(3 - Pos.Camp) == 1;
    BudgetNoeuds = NiveauLimite ? (RoiSeul ? std::max<uint64_t>(Niveau.Noeuds, 200000) : Niveau.Noeuds) : 0;
    Variantes = NiveauLimite && !RoiSeul ? std::max(Reglages.MultiPV, Niveau.Candidats) : Reglages.MultiPV;
    IntervalleVerification = NiveauLimite ? 63 : 4095;
    NbCandidats = 0;

    // 4. The root's check flag.
    const bool EchecRacine = Pos.RoiEchec(Pos.Camp);
    Pos.EnEchec[Pos.NumDemiCoup] = EchecRacine;
    DerniereVP.clear();
    if (!ACoupLegal()) return "";
    NbCoupsRacineCherches = ListeCoups[Pos.NumDemiCoup].NbCoups;
    if (Limites.NbCoupsRecherche > 0) RetientCoupsRecherche();
    PiecesFinales = PiecesTablesFinales();
    TbHits = 0;
    ProfondeurSel = 0;
    // A position the tables solve gets their move at once.
    const bool Resolue = PiecesFinales > 0 && CoupDesTables();

    // Helpers search beside this searcher, on the same root, until it ends.
    const bool AvecEquipe = !Resolue && !NiveauLimite && Equipe != nullptr && Equipe->NbAuxiliaires() > 0;
    if (AvecEquipe) Equipe->Demarre(Pos, Limites);

    // Several variations are searched each with the full window.
    const bool Fenetre = Variantes == 1;

    // 5. Deeper and deeper, each iteration inside a window around the last score.
    LigneVP Ligne;
    Ligne.NbCoups = 0;
    Ligne.Coups[0] = TCoupUci{0, 0, -1};
    bool Choisi = Resolue;
    while (!Resolue) {
        ++DemiCoupMax;
        ++Compteur;
        Iteration = Compteur;
        ProfondeurSel = 0;
        Ligne.NbCoups = 0;
        const int16_t v = AlphaBetaRacine(static_cast<int16_t>(Compteur), a, b, &Ligne, EchecRacine);
        if (Arret && !RacineAmelioree) {
            // Stopped before any root move was searched to the end: the
            // preset move of the line is not a result, keep the last one.
        } else if (v <= a) {
            a = -ScoreInfini;
        } else if (v >= b) {
            b = ScoreInfini;
        } else {
            CoupRacine = CoupTableDe(Ligne.Coups[0]);
            DemiCoupCoupRacine = Pos.NumDemiCoup;
            ScoreCoupRacine = v;
            ProfondeurCoupRacine = Compteur;
            if (Fenetre) {
                a = static_cast<int16_t>(v - Aspiration);
                b = static_cast<int16_t>(v + Aspiration);
            } else if (!Arret) {
                VariationsSuivantes(static_cast<int16_t>(Compteur), EchecRacine, Ligne, v);
            }
            Choisi = true;
        }
        // A depth search ignores the clock; a long game never shortens the
        // search (the iteration count, not the game ply, is limited).
        const int64_t Reste =
            int64_t{TempsAlloue} - (static_cast<int64_t>(plateforme::GetTickCount()) - int64_t{DebutTemps});
        if (Reste < 0 && !Limites.TempsParCoupFixe && !Limites.Infini && !Limites.Ponder && Limites.Profondeur <= 0)
            break;
        if (Compteur >= ProfondeurMax) break;
        if (ArretDemande) break;
        if (Limites.Profondeur > 0 && Compteur == Limites.Profondeur) break;
        if (Limites.Mat > 0) {
            // go mate: on to the first mate in that many moves or fewer.
            if (Choisi && ScoreCoupRacine >= ScoreMat - (2 * Limites.Mat - 1)) break;
        } else if (std::abs(int32_t{v}) > SeuilMat) {
            break;
        }
        if (Arret) break;
    }
    if (AvecEquipe) Equipe->Arrete();
    if (!Choisi) CoupDeSecours();
    if (NiveauLimite && !Resolue && !RoiSeul) ChoisitCoupDuNiveau(Niveau);

    // 6-7. The move, played on the board.
    const int32_t Depart = Pos.Pieces[CoupRacine.Piece].CasePiece;
    const std::string Texte = TexteCoup(Depart, CoupRacine.Arrivee, CoupRacine.Promotion);
    // Past the end of the game tables the move is still answered, not played.
    if (Pos.NumDemiCoup < DemiCoupsPartieMax)
        Pos.EffectuerDeplacement(Depart, CoupRacine.Arrivee, CoupRacine.Promotion);
    return Texte;
}

}  // namespace velkar
