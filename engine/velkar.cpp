#include "velkar.h"

#include "../platform/plateforme.h"
#include "duties.h"
#include "eval.h"
#include "hash.h"
#include "position.h"
#include "signals.h"
#include "syzygy.h"
#include "threads.h"

namespace velkar {

// The longest mate a limited level always plays.
constexpr int32_t MatToujoursVu = 2;

// The game's board is the main searcher's board: the engine lends it for
// every search, and the search leaves traces in its per-ply state above
// the current ply, which later searches read (TPosition::OublieTraces says
// which, and what a new game and Clear Hash wipe of them).
struct TVelkar::TEtat {
    TTablesPartagees Tables{HashDefaut};
    TPosition Partie;
    TEquipe Equipe{Partie, Tables};
    TSignaux Signaux;
    TTablesFinales Finales;
};

TVelkar::TVelkar() : Etat(std::make_unique<TEtat>()) { NouvellePartie(); }

TVelkar::~TVelkar() = default;

const TPosition& TVelkar::Partie() const { return Etat->Partie; }

void TVelkar::NouvellePartie() {
    Etat->Partie.InitialiserPosition();
    Etat->Equipe.NouvellePartie();
    Etat->Tables.Vide();
}

bool TVelkar::PlaceFen(std::string_view Fen) {
    NouvellePartie();
    if (!Etat->Partie.PlaceFen(Fen)) return false;
    Etat->Tables.Reinitialise();
    return true;
}

bool TVelkar::JoueCoup(const TCoupUci& Coup) {
    return Etat->Partie.JoueCoupLegal(Coup.Depart, Coup.Arrivee, Coup.Promotion);
}

void TVelkar::ChangeChess960(bool Chess960) {
    // The castling rights on the board belong to one kind of chess: a new
    // game from the start position for the other.
    Etat->Partie.ChoisitChess960(Chess960);
    NouvellePartie();
}

bool TVelkar::Chess960() const { return Etat->Partie.Chess960(); }

TResultat TVelkar::Cherche(const TRequete& Requete, TRapporteur& Rapporteur, TEcouteur& Ecouteur) {
    TPosition& Pos = Etat->Partie;
    TEquipe& Equipe = Etat->Equipe;
    TChercheur& Chef = Equipe.Principal();
    TSignaux& Signaux = Etat->Signaux;
    Signaux.Arme(Requete.Limites.Ponder);
    // A game at the end of the per-ply tables goes on from a lower ply, so
    // that the search has its room and its move is played.
    Pos.Recentre();
    TDevoirsPrincipal Devoirs(Requete, Signaux, Ecouteur, Rapporteur, Equipe.Partage(), Etat->Tables.Transposition);
    TResultat r;
    Chef.ChoisitTablesFinales(Requete.AvecTablesFinales ? &Etat->Finales : nullptr);

    if (!Chef.ACoupLegal()) {
        // Checkmate or stalemate: there is nothing to play.
        r.SansCoup = true;
        Devoirs.RapporteSansCoup(Pos.RoiEchec(Pos.Camp));
        Devoirs.AttendFinRecherche();
    } else {
        // 1. The main searcher sets up its search; a position the tables
        // solve gets their move at once.
        Devoirs.Demarre(Pos);
        // (The root's legal moves are those ACoupLegal listed.)
        Chef.Prepare(Requete.Limites, Devoirs.Variantes(), Devoirs.Intervalle(), Devoirs, Requete.Reglages.LimiteForce);
        Chef.RetientCoupsRecherche(Rapporteur);
        // A limited level never misses a mate in two or fewer, whatever its
        // clock and budget: every line is tried first.
        const bool Resolue = (Chef.AvecTables() && Chef.CoupDesTables()) ||
                             (Requete.Reglages.LimiteForce && Chef.CoupDeMat(MatToujoursVu));

        // 2. The helpers search beside it, on the same root, until it ends.
        const bool AvecEquipe =
            !Resolue && Requete.AvecEquipe && Devoirs.AvecAuxiliaires() && Equipe.NbAuxiliaires() > 0;
        if (AvecEquipe) Equipe.Demarre(Requete.Limites);
        Chef.Itere(Resolue);
        if (AvecEquipe) Equipe.Arrete();
        // A level that plays another move than its best says so in a last
        // line, so that the line an interface shows is the move it gets.
        if (Chef.Conclut(Resolue ? nullptr : Devoirs.NiveauDuChoix())) Devoirs.RapporteChoixDuNiveau(Chef);
        // With helpers, the searchers vote; another one's move comes with
        // its variation and score as the last line.
        const TChercheur& Elu = AvecEquipe && Devoirs.Variantes() == 1 ? Equipe.Elu() : Chef;
        if (&Elu != &Chef) Devoirs.RapporteElu(Chef, Elu);

        // 3. The move, played on the game; past the end of the game's
        // record it is still answered, not played.
        r.Coup = Elu.CoupChoisi();
        r.Joue = Pos.NumDemiCoup < DemiCoupsPartieMax;
        if (r.Joue) Pos.EffectuerDeplacement(r.Coup.Depart, r.Coup.Arrivee, r.Coup.Promotion);
        r.Variation = &Elu != &Chef ? Elu.VariationFaite() : Chef.Variation();
        r.Annonce = r.Variation.NbCoups > 0 ? r.Variation.Coups[0] : r.Coup;
        r.AvecPonder = r.Variation.NbCoups > 1;
        if (r.AvecPonder) r.Ponder = r.Variation.Coups[1];
        r.Noeuds = Chef.NoeudsCherches() + Equipe.NoeudsAuxiliaires();

        // 4. The reply may have to wait; a search too short to have reported
        // a score reports the move it played.
        Devoirs.AttendTempsNaturel();
        if (!Signaux.ArretDemande()) Devoirs.AttendFinRecherche();
        Devoirs.RapporteFinale(Chef, Pos, r.Coup, Resolue);
    }
    r.StopEntendu = Signaux.StopEntendu();
    r.Quit = Signaux.Quit();
    return r;
}

void TVelkar::PrepareTables() { Etat->Tables.Prepare(); }

void TVelkar::ViderTables() {
    Etat->Tables.Reinitialise();
    Etat->Equipe.NouvellePartie();
    Etat->Partie.OublieTraces(TPosition::TOubli::Tout);
}

void TVelkar::RemetRemplissage() { Etat->Tables.Transposition.RemetRemplissage(); }

bool TVelkar::RedimensionneHash(int32_t Mo) {
    if (Mo <= 0) return false;
    if (EntreesParMo(Mo) == Etat->Tables.Transposition.NbEntrees()) return true;
    if (!Etat->Tables.Transposition.Alloue(EntreesParMo(Mo))) return false;
    Etat->Tables.Reinitialise();
    return true;
}

int32_t TVelkar::TailleHash() const {
    return static_cast<int32_t>(Etat->Tables.Transposition.NbEntrees() * sizeof(Hash) / OctetsParMo);
}

int32_t TVelkar::ChangeFils(int32_t Nombre) { return 1 + Etat->Equipe.Redimensionne(Nombre - 1); }

int32_t TVelkar::NbFils() const { return 1 + Etat->Equipe.NbAuxiliaires(); }

int32_t TVelkar::ChargeTablesFinales(const std::string& Chemin, const std::function<void(const std::string&)>& Dit) {
    return Etat->Finales.Charge(Chemin, Dit);
}

const std::string& TVelkar::CheminTablesFinales() const { return Etat->Finales.Chemin(); }

bool TVelkar::TablesFinalesCompilees() { return TTablesFinales::Compilees(); }

std::string TVelkar::Fen() const { return Etat->Partie.ChaineFen(); }

std::string TVelkar::Echiquier() const { return Etat->Partie.ChaineEchiquier(); }

uint64_t TVelkar::Cle() const { return Etat->Partie.Cle; }

TEvaluation TVelkar::Evalue() const {
    const TPosition& Pos = Etat->Partie;
    TTablePions Pions;
    const int32_t E = Pions.Alloue(1) ? Eval(Pos, Pions) : 0;
    return TEvaluation{E, Pos.Materiel, static_cast<int16_t>(AvecMateriel(Pos, E))};
}

bool TVelkar::AvisTables(TAvisTables& Avis) const {
    TRacineFinale r;
    if (!Etat->Finales.SondeRacine(Etat->Partie, r)) return false;
    Avis.Resultat = r.Resultat;
    Avis.Dtz = r.Dtz;
    Avis.Coup =
        TCoupUci{static_cast<int8_t>(r.Depart), static_cast<int8_t>(r.Arrivee), static_cast<int8_t>(r.Promotion)};
    return true;
}

TVelkar::TPerft TVelkar::Perft(int32_t Profondeur, const std::function<void(const std::string&, uint64_t)>& Rapporte,
                               TEcouteur& Ecouteur) {
    TPosition& Pos = Etat->Partie;
    TPerft r;
    // (Compared so that no depth, however large, overflows the sum.)
    if (Profondeur > 0 && Profondeur >= NbDemiCoups - Pos.NumDemiCoup) {
        r.TropProfond = true;
        return r;
    }
    // The input is looked at every 20 ms or so, as a search would.
    uint64_t Prochaine = plateforme::GetTickCount() + 20;
    const std::function<bool()> Continuer = [&]() {
        const uint64_t Maintenant = plateforme::GetTickCount();
        if (Maintenant < Prochaine) return true;
        Prochaine = Maintenant + 20;
        const TEcouteur::TEvenement e = Ecouteur.Ecoute(0);
        r.Quit = e == TEcouteur::Quit || e == TEcouteur::Fin;
        return !(r.Quit || e == TEcouteur::Stop);
    };
    r.Total = Pos.PerftDivise(Profondeur, Rapporte, Continuer, &r.Arrete);
    return r;
}

}  // namespace velkar
