// The root of the search and the iterative-deepening driver.
#include <cstdlib>

#include "../platform/plateforme.h"
#include "velkar.h"

namespace velkar {

namespace {
constexpr int32_t Aspiration = 35;
}

int16_t TVelkar::AlphaBetaRacine(int16_t Profondeur, int16_t Alpha, int16_t Beta, pLigne Ligne, bool NulPermis,
                                 bool Echec) {
    RacineAmelioree = false;
    // 1. Stop, count, report.
    if (Arret) return 0;
    if (!CompteNoeud()) return 0;

    // 2. Mate-distance pruning (it only narrows the window here).
    const int32_t Eloignement = NumDemiCoup - DemiCoupRacine;
    if (int16_t Borne; ElagueDistanceMat(Eloignement, Alpha, Beta, Borne)) return Borne;
    const int16_t AlphaEntree = Alpha;

    // 3. No draw test and no cut-off from the table at the root: the table
    // only supplies the move to try first.
    CoupHash[0][0] = -1;
    if (Profondeur >= 2) {
        int8_t Ignore = 1;
        HashRecherche(static_cast<int16_t>(Profondeur - 1), Alpha, Beta, &Ignore);
    }
    const int16_t ProfondeurStockee = Profondeur < 0 ? 0 : Profondeur;

    // 4. The moves.
    EnEchec[NumDemiCoup] = Echec;
    GenereListeCoups();
    const int32_t n = ListeCoups[NumDemiCoup].NbCoups;
    if (n == 0) return static_cast<int16_t>(Echec ? Eloignement - 14999 : 0);

    // 5. Single reply, or ordering.
    if (n == 1 && NumDemiCoup + Profondeur <= DemiCoupMax + 32) {
        ++Profondeur;
    } else {
        TrieListeCoups(Beta <= Alpha + 1);
    }

    // 6. The line starts with the move searched last, should nothing raise Alpha.
    NbCoupsRacine = n;
    const int32_t ProfondeurBase = Profondeur;
    {
        const sCoup& Dernier = ListeCoups[NumDemiCoup].Coups[1];
        Ligne->Coups[0] = CoupVP{static_cast<int8_t>(Dernier.Arrivee), Dernier.Promotion,
                                 static_cast<int8_t>(Pieces[Dernier.Piece].CasePiece)};
    }

    // 7. Every root move at full depth and with the full window.
    LigneVP Enfant;
    int32_t MeilleurP = -1, MeilleurA = -1, MeilleurC = -1;
    for (int32_t i = n; i >= 1; --i) {
        const sCoup Coup = ListeCoups[NumDemiCoup].Coups[i];
        const int32_t p = Coup.Piece, a = Coup.Arrivee, c = Coup.Promotion;
        const int32_t d = ProfondeurBase;
        const int32_t s = Pieces[p].CasePiece;
        NumCoupRacine = i;
        char* Texte = TexteCoup[NumDemiCoup];
        Texte[0] = CaseVersChaine[s][0];
        Texte[1] = CaseVersChaine[s][1];
        Texte[2] = CaseVersChaine[a][0];
        Texte[3] = CaseVersChaine[a][1];
        Texte[4] = PromotionVersChaine(c)[0];
        Texte[5] = 0;
        {
            const uint32_t Maintenant = static_cast<uint32_t>(plateforme::GetTickCount());
            if (Maintenant >= DernierAffichage && Maintenant - DernierAffichage >= 1000) {
                EF(ChaineInfosPrimaire(n - i + 1, TexteCoup[DemiCoupRacine]));
                DernierAffichage = Maintenant;
            }
        }
        const bool Capture = Echiquier[a] != 0;
        EffectuerDeplacement(s, a, c);
        const bool Echecs = DonneEchec(p, s, a, Capture);
        Enfant.NbCoups = 0;
        const int32_t v = -AlphaBeta(static_cast<int16_t>(d - 1), static_cast<int16_t>(-Beta),
                                     static_cast<int16_t>(-Alpha), &Enfant, NulPermis, Echecs);
        Restaure();
        if (Arret) return 0;

        if (v >= Beta) {
            Historique[NumDemiCoup][Pieces[p].TypePiece][a] += static_cast<uint32_t>(d);
            if (NumDemiCoup > HistoriqueMaxDemiCoup) HistoriqueMaxDemiCoup = NumDemiCoup;
            MetAJourTueurs(p, a, c);
            HashEnregistre(ProfondeurStockee, Beta, 2, static_cast<int8_t>(p), static_cast<int8_t>(a),
                           static_cast<int8_t>(c));
            return Beta;
        }
        if (v > Alpha) {
            Alpha = static_cast<int16_t>(v);
            MeilleurP = p;
            MeilleurA = a;
            MeilleurC = c;
            RacineAmelioree = true;
            CopieLigne(Ligne, s, a, c, Enfant);
            if (DemiCoupMax > 2) {
                const std::string_view Infos = ChaineInfos(Ligne, Alpha, n - i + 1, TexteCoup[NumDemiCoup]);
                if (!Infos.empty()) EF(Infos);
            }
            if (Alpha > 14500) return Alpha;
        }
        if (i == 1 && !Arret && DemiCoupMax > 2) {
            const std::string_view Infos = ChaineInfos(Ligne, Alpha, n, TexteCoup[NumDemiCoup]);
            if (!Infos.empty()) EF(Infos);
        } else if (Arret) {
            return 0;
        }
    }

    // 8. Store and return.
    if (Alpha > AlphaEntree) {
        HashEnregistre(ProfondeurStockee, Alpha, 0, static_cast<int8_t>(MeilleurP), static_cast<int8_t>(MeilleurA),
                       static_cast<int8_t>(MeilleurC));
    } else {
        HashEnregistre(ProfondeurStockee, Alpha, 1, -1, -1, -1);
    }
    return Alpha;
}

bool TVelkar::ACoupLegal() {
    const bool EchecAvant = EnEchec[NumDemiCoup];
    EnEchec[NumDemiCoup] = RoiEchec(Camp);
    GenereListeCoups();
    EnEchec[NumDemiCoup] = EchecAvant;
    return ListeCoups[NumDemiCoup].NbCoups > 0;
}

// When no iteration has chosen a move (a stop during the first iteration
// before any root move was searched to the end), answer with the move the
// first iteration searches first.
void TVelkar::CoupDeSecours() {
    const int32_t DemiCoupMaxGarde = DemiCoupMax;
    DemiCoupMax = NumDemiCoup;
    CoupHash[0][0] = -1;
    GenereListeCoups();
    ListeCoupsPly& Liste = ListeCoups[NumDemiCoup];
    if (Liste.NbCoups > 1) TrieListeCoups(false);
    const sCoup& Premier = Liste.Coups[Liste.NbCoups];
    CoupHash[NumDemiCoup][0] = Premier.Piece;
    CoupHash[NumDemiCoup][1] = Premier.Arrivee;
    CoupHash[NumDemiCoup][2] = Premier.Promotion;
    DemiCoupMax = DemiCoupMaxGarde;
}

std::string TVelkar::Recherche(uint32_t SortieRecherche) {
    // 1-3. Set up the search.
    Sortie = SortieRecherche;
    DemiCoupRacine = NumDemiCoup;
    DebutRecherche = static_cast<uint32_t>(plateforme::GetTickCount());
    DemiCoupMax = NumDemiCoup - 1;
    int16_t a = -32767, b = 32767;
    TempsAlloue = CalculeTemps();
    DebutTemps = DernierAffichage = static_cast<uint32_t>(plateforme::GetTickCount());
    int32_t Compteur = 0;
    Noeuds = 0;
    Arret = false;
    Iteration = 0;
    ModeConsole = plateforme::PrepareEntreeRecherche();

    // 4. The root's check flag.
    const bool EchecRacine = RoiEchec(Camp);
    EnEchec[NumDemiCoup] = EchecRacine;
    DerniereVP.clear();
    if (!ACoupLegal()) return "";

    // 5. Deeper and deeper, each iteration inside a window around the last score.
    LigneVP Ligne;
    Ligne.NbCoups = 0;
    Ligne.Coups[0] = CoupVP{0, -1, 0};
    bool Choisi = false;
    for (;;) {
        ++DemiCoupMax;
        Sauvegardes[NumDemiCoup].Nombre = 0;
        ++Compteur;
        Iteration = Compteur;
        ProfondeurSel = 0;
        Ligne.NbCoups = 0;
        const int16_t v = AlphaBetaRacine(static_cast<int16_t>(Compteur), a, b, &Ligne, true, EchecRacine);
        if (Arret && !RacineAmelioree) {
            // Stopped before any root move was searched to the end: the
            // preset move of the line is not a result, keep the last one.
        } else if (v <= a) {
            a = -32767;
        } else if (v >= b) {
            b = 32767;
        } else {
            const CoupVP& Premier = Ligne.Coups[0];
            CoupHash[NumDemiCoup][0] = Echiquier[Premier.Depart];
            CoupHash[NumDemiCoup][1] = Premier.Arrivee;
            CoupHash[NumDemiCoup][2] = Premier.Promotion;
            a = static_cast<int16_t>(v - Aspiration);
            b = static_cast<int16_t>(v + Aspiration);
            Choisi = true;
        }
        // A depth search ignores the clock; a long game never shortens the
        // search (the iteration count, not the game ply, is limited).
        const int64_t Reste =
            int64_t{TempsAlloue} - (static_cast<int64_t>(plateforme::GetTickCount()) - int64_t{DebutTemps});
        if (Reste < 0 && !TempsParCoupFixe && !Infini && !EnPonder && ProfondeurLimite <= 0) break;
        if (Compteur >= ProfondeurMax) break;
        if (ArretDemande) break;
        if (ProfondeurLimite > 0 && Compteur == ProfondeurLimite) break;
        if (std::abs(int32_t{v}) > 14500) break;
        if (Arret) break;
    }
    if (!Choisi) CoupDeSecours();

    // 6-7. The move, played on the board.
    const int32_t p = CoupHash[NumDemiCoup][0], Arrivee = CoupHash[NumDemiCoup][1],
                  Promotion = CoupHash[NumDemiCoup][2];
    const int32_t Depart = Pieces[p].CasePiece;
    std::string Texte = std::string(CaseVersChaine[Depart]) + CaseVersChaine[Arrivee] + PromotionVersChaine(Promotion);
    // Past the end of the game tables the move is still answered, not played.
    if (NumDemiCoup < DemiCoupsPartieMax) EffectuerDeplacement(Depart, Arrivee, Promotion);
    return Texte;
}

}  // namespace velkar

