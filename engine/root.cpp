// The root of the search and the iterative deepening that every searcher
// runs, with what comes before it (the root moves a search may play, the
// move of the endgame tables) and after it (a fallback move, the level's
// choice).
#include <algorithm>
#include <cstdlib>

#include "duties.h"
#include "eval.h"
#include "searcher.h"
#include "syzygy.h"

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
    Pos.NoteEchec(Echec);
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    Pos.GenereListeCoups(Liste);
    int32_t n = Liste.NbCoups;
    if (n == 0) return static_cast<int16_t>(Echec ? -MatEn(Eloignement) : 0);

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
    if (NbExclus > 0 || NbCoupsRecherche > 0) {
        FiltreRacine(Liste);
        n = Liste.NbCoups;
        if (n == 0) return Alpha;
    }

    // 6. The line starts with the move searched last, should nothing raise Alpha.
    NbCoupsRacine = n;
    const int32_t ProfondeurBase = Profondeur;
    Ligne->Coups[0] = TCoupUci{static_cast<int8_t>(Pos.CaseDe(Liste.Coups[1])),
                               static_cast<int8_t>(Liste.Coups[1].Arrivee), Liste.Coups[1].Promotion};

    // 7. Every root move at full depth and with the full window.  The first
    // iterations at the start of a game do not report their variations,
    // those of go mate do: the mate may be proved there.
    const bool Rapporte = (DemiCoupMax > 2 || MatLePlusCourt) && Variantes == 1;
    // What a move must score to be the best.  In go mate with a single
    // variation, once a move mates later than asked, the others are
    // searched only for a mate in the moves asked or fewer: refuting
    // everything else is what costs.
    int16_t Seuil = Alpha;
    LigneVP Enfant;
    TCoupTable Meilleur;
    for (int32_t i = n; i >= 1; --i) {
        const sCoup Coup = Liste.Coups[i];
        const int32_t p = Coup.Piece, a = Coup.Arrivee, c = Coup.Promotion;
        const int32_t d = ProfondeurBase;
        const int32_t s = Pos.Pieces[p].CasePiece;
        NumCoupRacine = i;
        CoupRacineCourant = TCoupUci{static_cast<int8_t>(s), static_cast<int8_t>(a), static_cast<int8_t>(c)};
        Devoirs->Progression(*this, false, n - i + 1, CoupRacineCourant);
        const bool Capture = Pos.EstPrise(p, a);
        Pos.EffectuerDeplacement(s, a, c);
        Transposition.Precharge(Pos.Cle);
        const bool Echecs = DonneEchec(p, s, a, Capture);
        Enfant.NbCoups = 0;
        const int32_t v = -AlphaBeta(static_cast<int16_t>(d - 1), static_cast<int16_t>(-Beta),
                                     static_cast<int16_t>(-Seuil), &Enfant, true, Echecs);
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
        if (v > Seuil) {
            Alpha = Seuil = static_cast<int16_t>(v);
            Meilleur = TCoupTable{p, a, c};
            RacineAmelioree = true;
            CopieLigne(Ligne, s, a, c, Enfant);
            if (Rapporte) NouvelleVariation(Ligne, Alpha, n - i + 1);
            if (Alpha > SeuilMat) {
                if (!MatLePlusCourt && !MatCourtALaRacine) return Alpha;
                if (MatLePlusCourt && Variantes == 1) Seuil = std::max(Alpha, static_cast<int16_t>(MatVise - 1));
            }
        }
        if (i == 1 && !Arret && Rapporte) {
            NouvelleVariation(Ligne, Alpha, n);
        } else if (Arret) {
            return 0;
        }
    }

    // 8. Store and return; a search over part of the moves stores nothing.
    if (NbExclus == 0 && NbCoupsRecherche == 0) EnregistreResultat(ProfondeurStockee, Alpha, AlphaEntree, Meilleur);
    return Alpha;
}

bool TChercheur::ACoupLegal() {
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    Pos.GenereCoupsLegaux(Liste);
    return Liste.NbCoups > 0;
}

void TChercheur::Prepare(const TLimites& L, int32_t NbVariantes, uint64_t Intervalle, TDevoirs& D, bool MatCourt,
                         int32_t Decalage, bool Inverse) {
    Limites = &L;
    Devoirs = &D;
    Variantes = NbVariantes;
    IntervalleVerification = Intervalle;
    Ordre = Inverse ? OrdreInverse : OrdreNormal;
    DemiCoupRacine = Pos.NumDemiCoup;
    DemiCoupMax = Pos.NumDemiCoup - 1 + Decalage;
    Compteur = Decalage;
    Noeuds = TbHits = 0;
    Publies.Noeuds.store(0, std::memory_order_relaxed);
    Publies.TbHits.store(0, std::memory_order_relaxed);
    Arret = false;
    // The lowest score of a mate in L.Mat moves or fewer; any mate when
    // L.Mat is beyond the longest mate a score can say.
    MatLePlusCourt = L.Mat > 0;
    MatCourtALaRacine = MatCourt;
    MatVise = static_cast<int16_t>(std::max(MatEnCoups(std::min(L.Mat, ValeurMat / 2)), SeuilMat + 1));
    Iteration = ProfondeurSel = 0;
    RacineAmelioree = Choisi = false;
    NbExclus = NbCandidats = NbCoupsRecherche = NbPrecedentes = 0;
    DerniereVP.NbCoups = 0;
    // The root's check flag, which the generation of its moves reads.
    EchecRacine = Pos.RoiEchec(Pos.Camp);
    Pos.NoteEchec(EchecRacine);
    // go mate looks for a mate, which the tables' wins and losses do not
    // prove: it searches without them, at the root as below.
    PiecesFinales = (MatLePlusCourt || Finales == nullptr) ? 0 : Finales->Pieces();
}

void TChercheur::RetientCoupsRecherche(TRapporteur& Rapporteur) {
    // The moves of go searchmoves that are legal here (the root's list is
    // the legal one); if none is, all are.
    const ListeCoupsPly& Legaux = ListeCoups[Pos.NumDemiCoup];
    NbCoupsRacineCherches = Legaux.NbCoups;
    int32_t n = 0;
    for (int32_t k = 0; k < Limites->NbCoupsRecherche; ++k) {
        const TCoupUci c = Limites->CoupsRecherche[k];
        bool Legal = false;
        for (int32_t i = 1; i <= Legaux.NbCoups && !Legal; ++i)
            Legal = Pos.EstCoup(Legaux.Coups[i], c.Depart, c.Arrivee, c.Promotion);
        if (Legal) {
            // A move named twice is one move.
            if (std::find(CoupsRecherche, CoupsRecherche + n, c) == CoupsRecherche + n) CoupsRecherche[n++] = c;
        } else {
            Rapporteur.CoupRechercheIllegal(c);
        }
    }
    NbCoupsRecherche = n;
    if (n > 0) NbCoupsRacineCherches = n;
}

void TChercheur::RepriseCoupsRecherche(const TChercheur& Principal) {
    NbCoupsRecherche = Principal.NbCoupsRecherche;
    std::copy(Principal.CoupsRecherche, Principal.CoupsRecherche + NbCoupsRecherche, CoupsRecherche);
    NbCoupsRacineCherches = Principal.NbCoupsRacineCherches;
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
    ScoreCoupRacine = AvecMateriel(Pos, Eval(Pos, Pions));
    ProfondeurCoupRacine = 0;
}

bool TChercheur::CoupDesTables() {
    TRacineFinale r;
    if (NbCoupsRecherche > 0 || Variantes > 1 || Pos.NumDemiCoup >= DemiCoupsPartieMax || Finales == nullptr ||
        !Finales->SondeRacine(Pos, r))
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

bool TChercheur::ForceMat(int32_t Coups) {
    const bool Racine = Pos.NumDemiCoup == DemiCoupRacine;
    ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
    Pos.GenereCoupsLegaux(Liste);
    if (Racine) FiltreRacine(Liste);
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) {
        const sCoup m = Liste.Coups[i];
        const int32_t s = Pos.CaseDe(m);
        Pos.EffectuerDeplacement(s, m.Arrivee, m.Promotion);
        ++Noeuds;
        // The last move of a mate gives check and leaves no reply (none
        // without check is a stalemate); a longer one must leave replies to
        // every one of which a mate follows.
        const bool Echec = Pos.RoiEchec(Pos.Camp);
        bool Mat = false;
        if (Echec || Coups > 1) {
            ListeCoupsPly& Reponses = ListeCoups[Pos.NumDemiCoup];
            Pos.GenereCoupsLegaux(Reponses);
            Mat = Reponses.NbCoups == 0 ? Echec : Coups > 1;
            for (int32_t k = 1; k <= Reponses.NbCoups && Mat; ++k) {
                const sCoup r = Reponses.Coups[k];
                Pos.EffectuerDeplacement(Pos.CaseDe(r), r.Arrivee, r.Promotion);
                ++Noeuds;
                Mat = ForceMat(Coups - 1);
                Pos.Restaure();
            }
        }
        Pos.Restaure();
        if (Mat) {
            if (Racine) CoupRacine = TCoupTable{m.Piece, m.Arrivee, m.Promotion};
            return true;
        }
    }
    return false;
}

bool TChercheur::CoupDeMat(int32_t Coups) {
    for (int32_t n = 1; n <= Coups; ++n) {
        if (!ForceMat(n)) continue;
        DemiCoupCoupRacine = Pos.NumDemiCoup;
        ScoreCoupRacine = MatEnCoups(n);
        ProfondeurCoupRacine = 2 * n - 1;
        return true;
    }
    return false;
}

void TChercheur::FiltreRacine(ListeCoupsPly& Liste) const {
    int32_t n = 0;
    for (int32_t i = 1; i <= Liste.NbCoups; ++i) {
        const sCoup& m = Liste.Coups[i];
        bool Garde = NbCoupsRecherche == 0;
        for (int32_t k = 0; k < NbCoupsRecherche && !Garde; ++k) {
            const TCoupUci& c = CoupsRecherche[k];
            Garde = Pos.EstCoup(m, c.Depart, c.Arrivee, c.Promotion);
        }
        for (int32_t k = 0; k < NbExclus && Garde; ++k)
            Garde = !(Exclus[k] == TCoupTable{m.Piece, m.Arrivee, m.Promotion});
        if (Garde) Liste.Coups[++n] = m;
    }
    Liste.NbCoups = n;
}

void TChercheur::NouvelleVariation(pLigne Ligne, int32_t Score, int32_t NumeroCoup) {
    // Nothing new to say when the variation is the last one reported, or a
    // beginning of it.
    LigneVP l = *Ligne;
    AjusteLigne(l, 0);
    if (l.NbCoups <= DerniereVP.NbCoups && std::equal(l.Coups, l.Coups + l.NbCoups, DerniereVP.Coups) &&
        (Score == ScoreDerniereVP || !MatLePlusCourt))
        return;
    ScoreDerniereVP = Score;
    DerniereVP.NbCoups = l.NbCoups;
    std::copy(l.Coups, l.Coups + l.NbCoups, DerniereVP.Coups);
    Devoirs->Variation(*this, DerniereVP, Score, NumeroCoup, CoupRacineCourant);
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
    int32_t Rangs[VariationsMax];
    for (int32_t k = 0; k < Nombre; ++k) Rangs[k] = k;
    std::stable_sort(Rangs, Rangs + Nombre,
                     [this](int32_t x, int32_t y) { return ScoresVariations[x] > ScoresVariations[y]; });
    for (int32_t k = 0; k < Nombre; ++k) {
        // A mate's line is extended no further than the mate it scores.
        const int32_t Score = ScoresVariations[Rangs[k]];
        AjusteLigne(Variations[Rangs[k]], EstMat(Score) ? ScoreMat - std::abs(Score) : CoupsParLigne);
        Devoirs->VariationMultiPV(*this, k + 1, Variations[Rangs[k]], ScoresVariations[Rangs[k]], Iteration);
    }
    if (Nombre < Voulues) {
        // Stopped inside the set: its other moves as the last whole set
        // showed them, at their depth.
        int32_t k = Nombre;
        for (int32_t j = 0; j < NbPrecedentes && k < Voulues; ++j) {
            const TCoupUci Premier = Precedentes[j].Coups[0];
            bool Montre = false;
            for (int32_t m = 0; m < Nombre && !Montre; ++m) Montre = Variations[Rangs[m]].Coups[0] == Premier;
            if (!Montre)
                Devoirs->VariationMultiPV(*this, ++k, Precedentes[j], ScoresPrecedents[j], ProfondeurPrecedentes);
        }
    } else {
        for (int32_t k = 0; k < Nombre; ++k) {
            Precedentes[k] = Variations[Rangs[k]];
            ScoresPrecedents[k] = ScoresVariations[Rangs[k]];
        }
        NbPrecedentes = Nombre;
        ProfondeurPrecedentes = Iteration;
    }
    NbCandidats = Nombre;
    std::copy(Rangs, Rangs + Nombre, Candidats);
    RetientVariation(Rangs[0]);
}

void TChercheur::AjusteLigne(LigneVP& l, int32_t Longueur) {
    if (l.NbCoups == 0) return;
    // The moves write the check flags and key histories of their plies,
    // which later searches read as they were left: they are put back.
    const auto Traces = Pos.CopieTraces<CoupsParLigne + 2>();
    int32_t Joues = 0;
    bool Repete = false;
    while (Joues < l.NbCoups && !Repete) {
        const TCoupUci& c = l.Coups[Joues++];
        Pos.EffectuerDeplacement(c.Depart, c.Arrivee, c.Promotion);
        Repete = Pos.Repetition();
    }
    l.NbCoups = Joues;
    while (!Repete && l.NbCoups < std::min(Longueur, CoupsParLigne) && Pos.Compteur50 < 100) {
        const TCoupTable t = Transposition.HashRecherche(Pos.Cle, ScoreInfini, -ScoreInfini, ScoreInfini).Coup;
        if (t.Piece == -1) break;
        const TCoupUci c{static_cast<int8_t>(Pos.Pieces[t.Piece].CasePiece), static_cast<int8_t>(t.Arrivee),
                         static_cast<int8_t>(t.Promotion)};
        ListeCoupsPly& Liste = ListeCoups[Pos.NumDemiCoup];
        Pos.GenereCoupsLegaux(Liste);
        bool Legal = false;
        for (int32_t i = 1; i <= Liste.NbCoups && !Legal; ++i)
            Legal = Pos.EstCoup(Liste.Coups[i], c.Depart, c.Arrivee, c.Promotion);
        if (!Legal) break;
        l.Coups[l.NbCoups++] = c;
        Pos.EffectuerDeplacement(c.Depart, c.Arrivee, c.Promotion);
        ++Joues;
        Repete = Pos.Repetition();
    }
    while (Joues-- > 0) Pos.Restaure();
    Pos.RemetTraces(Traces);
}

void TChercheur::RetientVariation(int32_t k) {
    const LigneVP& l = Variations[k];
    CoupRacine = CoupTableDe(l.Coups[0]);
    ScoreCoupRacine = ScoreDerniereVP = ScoresVariations[k];
    DerniereVP.NbCoups = l.NbCoups;
    std::copy(l.Coups, l.Coups + l.NbCoups, DerniereVP.Coups);
}

bool TChercheur::ChoisitCoupDuNiveau(const TNiveau& Niveau) {
    if (NbCandidats < 2) return false;
    // The variations must be those of the move the search settled on.
    if (!(CoupTableDe(Variations[Candidats[0]].Coups[0]) == CoupRacine)) return false;
    int32_t Scores[VariationsMax];
    for (int32_t k = 0; k < NbCandidats; ++k) Scores[k] = ScoresVariations[Candidats[k]];
    const int32_t k = ChoisitCandidat(Scores, NbCandidats, Niveau, Pos.Cle);
    if (k != 0) RetientVariation(Candidats[k]);
    return k != 0;
}

void TChercheur::Itere(bool Resolue) {
    int16_t a = -ScoreInfini, b = ScoreInfini;
    // Several variations are searched each with the full window, and so is
    // go mate until it proves a mate: an iteration that fails high on a
    // mate beyond the window proves nothing of its length, and the next
    // one, deeper, may take far longer.
    const bool Fenetre = Variantes == 1;
    LigneVP Ligne;
    Ligne.NbCoups = 0;
    Ligne.Coups[0] = TCoupUci{0, 0, SansPromotion};
    Choisi = Resolue;
    while (!Resolue) {
        ++DemiCoupMax;
        ++Compteur;
        Iteration = Compteur;
        ProfondeurSel = 0;
        Ligne.NbCoups = 0;
        const int16_t v = AlphaBetaRacine(static_cast<int16_t>(Compteur), a, b, &Ligne, EchecRacine);
        if (Arret) {
            // A helper stops an iteration that another thread has finished
            // and goes on past it.
            if (const int32_t Faite = Devoirs->Reprise(*this); Faite > 0) {
                Arret = false;
                Compteur = std::max(Compteur, Faite);
                DemiCoupMax = DemiCoupRacine - 1 + Compteur;
                continue;
            }
        }
        if (Arret && !RacineAmelioree) {
            // Stopped before any root move was searched to the end: the
            // preset move of the line is not a result, keep the last one.
        } else if (v <= a) {
            if (!(MatLePlusCourt && a > SeuilMat)) a = -ScoreInfini;
        } else if (v >= b) {
            b = ScoreInfini;
        } else {
            CoupRacine = CoupTableDe(Ligne.Coups[0]);
            DemiCoupCoupRacine = Pos.NumDemiCoup;
            ScoreCoupRacine = v;
            ProfondeurCoupRacine = Compteur;
            LigneFaite = Ligne;
            if (!Arret) Devoirs->IterationFaite(*this);
            if (Fenetre && !MatLePlusCourt) {
                a = static_cast<int16_t>(v - Aspiration);
                b = static_cast<int16_t>(v + Aspiration);
            } else if (Fenetre) {
                // go mate: once a longer mate is proved, the next iterations
                // look only for one in the moves asked or fewer (the
                // mate-distance pruning then cuts every longer line), and
                // one that finds none keeps the move of the longer mate.
                if (v > SeuilMat) a = static_cast<int16_t>(MatVise - 1);
            } else if (!Arret) {
                VariationsSuivantes(static_cast<int16_t>(Compteur), EchecRacine, Ligne, v);
            }
            Choisi = true;
        }
        // The time, the depth asked and a stop (the duties), the size of the
        // per-ply tables, a mate, or the stop of this search end it.
        if (Devoirs->FinIteration(*this)) break;
        if (Compteur >= ProfondeurMax) break;
        if (MatLePlusCourt) {
            // go mate: on to the first iteration that proves a mate in that
            // many moves or fewer, for the side to move or against it.
            if (Choisi && EstMat(ScoreCoupRacine) && (ScoreCoupRacine >= MatVise || ScoreCoupRacine <= 1 - MatVise))
                break;
        } else if (EstMat(v)) {
            break;
        }
        if (Arret) break;
    }
    Publies.Noeuds.store(Noeuds, std::memory_order_relaxed);
    Publies.TbHits.store(TbHits, std::memory_order_relaxed);
}

bool TChercheur::Conclut(const TNiveau* Niveau) {
    if (!Choisi) CoupDeSecours();
    return Niveau != nullptr && ChoisitCoupDuNiveau(*Niveau);
}

}  // namespace velkar
