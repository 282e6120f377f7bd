#include "startup/story.h"

#include <cstdio>

#include "services/memory.h"

namespace vsk {

// Text 0 is the title. Texts 1 to 11 are the chronicle of Dodur Odid, texts
// 12 to 22 the sovereigns' guide; each text holds its English version
// followed by its German one, separated by a blank line.
const StoryEntry StoryTable[kStoryCount] = {
    {0,
     "Dodur Odid"},
    {1,
     "The Chronicle of Dodur Odid, chapter 1: The Old Crown\n"
     "\n"
     "Long before the realms of Kadun bore their names, the high king Dodur Odid held the "
     "whole land in one hand. From the Frost Hills to the Salt Coast his roads were safe, "
     "his granaries full and his word was law. Travellers said a child could carry a "
     "purse of silver from one end of Kadun to the other.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 1: Die alte Krone\n"
     "\n"
     "Lange bevor die Reiche von Kadun ihre Namen trugen, hielt der Hochk" "\xf6" "nig "
     "Dodur Odid das ganze Land in einer Hand. Von den Frosth" "\xfc" "geln bis zur "
     "Salzk" "\xfc" "ste waren seine Stra" "\xdf" "en sicher, seine Kornspeicher voll, "
     "und sein Wort war Gesetz. Reisende erz" "\xe4" "hlten, ein Kind h" "\xe4" "tte "
     "einen Beutel Silber von einem Ende Kaduns zum anderen tragen k" "\xf6" "nnen."},
    {2,
     "The Chronicle of Dodur Odid, chapter 2: The Night of Broken Seals\n"
     "\n"
     "In the last winter of his reign the king's counsellor Veskar stole the seven seals "
     "of the crown and fled into the storm. Without the seals no law could be sealed and "
     "no lord could be bound. By morning the great hall stood empty, and the crown lay "
     "cold on an empty throne.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 2: Die Nacht der gebrochenen Siegel\n"
     "\n"
     "Im letzten Winter seiner Herrschaft stahl der Ratgeber Veskar die sieben Siegel der "
     "Krone und floh in den Sturm. Ohne die Siegel konnte kein Gesetz besiegelt und kein "
     "F" "\xfc" "rst gebunden werden. Am Morgen stand die gro" "\xdf" "e Halle leer, und "
     "die Krone lag kalt auf einem leeren Thron."},
    {3,
     "The Chronicle of Dodur Odid, chapter 3: The Scattered Realms\n"
     "\n"
     "The lords of the provinces each took what lay nearest and crowned themselves. Towns "
     "raised walls against their neighbours, and the old roads were watched by toll "
     "keepers instead of the king's riders. Kadun became many realms, and none of them "
     "trusted another.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 3: Die zerstreuten Reiche\n"
     "\n"
     "Die F" "\xfc" "rsten der Provinzen nahmen sich, was ihnen am n" "\xe4" "chsten lag, "
     "und kr" "\xf6" "nten sich selbst. Die St" "\xe4" "dte zogen Mauern gegen ihre "
     "Nachbarn hoch, und an den alten Stra" "\xdf" "en standen Z" "\xf6" "llner statt der "
     "Reiter des K" "\xf6" "nigs. Aus Kadun wurden viele Reiche, und keines traute dem "
     "anderen."},
    {4,
     "The Chronicle of Dodur Odid, chapter 4: The Grey Years\n"
     "\n"
     "Then came the grey years. Harvests failed, the trade roads grew over with thorn, "
     "and bandits ruled the passes. Whoever had grain locked it away, and whoever had "
     "none left for the coast or the grave.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 4: Die grauen Jahre\n"
     "\n"
     "Dann kamen die grauen Jahre. Die Ernten blieben aus, die Handelsstra" "\xdf" "en "
     "wuchsen mit Dornen zu, und R" "\xe4" "uber beherrschten die P" "\xe4" "sse. Wer "
     "Korn besa" "\xdf" ", schloss es weg, und wer keines hatte, zog an die "
     "K" "\xfc" "ste oder ins Grab."},
    {5,
     "The Chronicle of Dodur Odid, chapter 5: The Wanderer\n"
     "\n"
     "In those years a stranger walked from town to town under a faded banner bearing the "
     "old crown. In every market square she read the law of Dodur Odid aloud: keep the "
     "roads open, share the bread of winter, keep your word. Some laughed at her, but "
     "many remembered.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 5: Die Wanderin\n"
     "\n"
     "In jenen Jahren zog eine Fremde unter einem verblichenen Banner mit der alten Krone "
     "von Stadt zu Stadt. Auf jedem Marktplatz las sie das Gesetz des Dodur Odid vor: "
     "Haltet die Stra" "\xdf" "en offen, teilt das Brot des Winters, haltet euer Wort. "
     "Manche lachten " "\xfc" "ber sie, doch viele erinnerten sich."},
    {6,
     "The Chronicle of Dodur Odid, chapter 6: The Oath of Ferrenmoor\n"
     "\n"
     "At the ford of Ferrenmoor the rulers of five towns met and swore to keep the road "
     "between them free of tolls and robbers. It was the first oath sworn in Kadun since "
     "the fall of the crown. Within a year the road was busier than any other, and the "
     "five towns were the richest in the land.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 6: Der Schwur von Ferrenmoor\n"
     "\n"
     "An der Furt von Ferrenmoor trafen sich die Herrscher von f" "\xfc" "nf "
     "St" "\xe4" "dten und schworen, die Stra" "\xdf" "e zwischen ihnen frei von "
     "Z" "\xf6" "llen und R" "\xe4" "ubern zu halten. Es war der erste Schwur in Kadun "
     "seit dem Fall der Krone. Binnen eines Jahres war die Stra" "\xdf" "e belebter als "
     "jede andere, und die f" "\xfc" "nf St" "\xe4" "dte waren die reichsten im Land."},
    {7,
     "The Chronicle of Dodur Odid, chapter 7: The Silver Flood\n"
     "\n"
     "When the spring floods washed silver ore down from the mountains, the old greed "
     "woke again. Neighbours who had shared their bread now counted each other's mines. "
     "The oath of Ferrenmoor held, but only just.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 7: Die Silberflut\n"
     "\n"
     "Als die Fr" "\xfc" "hjahrsfluten Silbererz aus den Bergen herabsp" "\xfc" "lten, "
     "erwachte die alte Gier von neuem. Nachbarn, die ihr Brot geteilt hatten, "
     "z" "\xe4" "hlten nun die Minen der anderen. Der Schwur von Ferrenmoor hielt, doch "
     "nur mit M" "\xfc" "he."},
    {8,
     "The Chronicle of Dodur Odid, chapter 8: The Letter Riders\n"
     "\n"
     "To settle their quarrels without swords the rulers sent riders with sealed letters "
     "from court to court. A letter could end a feud that an army would only have "
     "prolonged. Since those days every sovereign of Kadun keeps a writing desk beside "
     "the throne.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 8: Die Briefreiter\n"
     "\n"
     "Um ihre H" "\xe4" "ndel ohne Schwerter beizulegen, schickten die Herrscher Reiter "
     "mit versiegelten Briefen von Hof zu Hof. Ein Brief konnte eine Fehde beenden, die "
     "ein Heer nur verl" "\xe4" "ngert h" "\xe4" "tte. Seit jenen Tagen hat jeder "
     "Herrscher Kaduns ein Schreibpult neben dem Thron."},
    {9,
     "The Chronicle of Dodur Odid, chapter 9: The Burning of Harn\n"
     "\n"
     "Not every ruler listened. The lord of Harn set fire to his rival's granaries in the "
     "autumn, and in the winter that followed both towns starved together. The ashes of "
     "Harn taught Kadun what the old king had known: war feeds nobody.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 9: Der Brand von Harn\n"
     "\n"
     "Nicht jeder Herrscher h" "\xf6" "rte zu. Der F" "\xfc" "rst von Harn steckte im "
     "Herbst die Kornspeicher seines Rivalen in Brand, und im folgenden Winter hungerten "
     "beide St" "\xe4" "dte gemeinsam. Die Asche von Harn lehrte Kadun, was der alte "
     "K" "\xf6" "nig gewusst hatte: Der Krieg macht niemanden satt."},
    {10,
     "The Chronicle of Dodur Odid, chapter 10: The Return of the Seals\n"
     "\n"
     "At last a shepherd found the tomb of Veskar in the Frost Hills, and in it the seven "
     "seals, untouched. The seals were brought to the empty hall, where they wait to this "
     "day. It is said that they will bind the realms once more for the one who unites "
     "Kadun by law and not by fire.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 10: Die R" "\xfc" "ckkehr der Siegel\n"
     "\n"
     "Endlich fand ein Hirte in den Frosth" "\xfc" "geln das Grab des Veskar und darin "
     "die sieben Siegel, unber" "\xfc" "hrt. Die Siegel wurden in die leere Halle "
     "gebracht, wo sie bis heute warten. Man sagt, sie werden die Reiche noch einmal "
     "binden, f" "\xfc" "r den, der Kadun durch Gesetz und nicht durch Feuer eint."},
    {11,
     "The Chronicle of Dodur Odid, chapter 11: Your Hour\n"
     "\n"
     "Now one of the realms of Kadun is yours. Your people look to your residence for "
     "bread, safety and justice, and your neighbours watch what kind of sovereign you "
     "will be. The crown of Dodur Odid waits for the one who builds rather than burns.\n"
     "\n"
     "Die Chronik des Dodur Odid, Kapitel 11: Deine Stunde\n"
     "\n"
     "Nun geh" "\xf6" "rt eines der Reiche Kaduns dir. Dein Volk blickt auf deine "
     "Residenz und erwartet Brot, Schutz und Gerechtigkeit, und deine Nachbarn "
     "beobachten, was f" "\xfc" "r ein Herrscher du sein wirst. Die Krone des Dodur Odid "
     "wartet auf den, der baut, statt zu brennen."},
    {12,
     "The Sovereigns' Guide, chapter 1: Taking the Throne\n"
     "\n"
     "Your residence is the heart of your realm. From it you overlook your towns, your "
     "treasury and the letters of your neighbours. Leave it with a click of the right "
     "mouse button when your work for the day is done.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 1: Die Thronbesteigung\n"
     "\n"
     "Deine Residenz ist das Herz deines Reiches. Von hier aus " "\xfc" "berblickst du "
     "deine St" "\xe4" "dte, deine Schatzkammer und die Briefe deiner Nachbarn. Verlasse "
     "sie mit einem Klick der rechten Maustaste, wenn dein Tagewerk getan ist."},
    {13,
     "The Sovereigns' Guide, chapter 2: Towns\n"
     "\n"
     "Every realm begins with its capital. Found new towns where water, fields and roads "
     "meet, for a town without a road withers and a town without fields starves. Give "
     "each town a name worth remembering.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 2: St" "\xe4" "dte\n"
     "\n"
     "Jedes Reich beginnt mit seiner Hauptstadt. Gr" "\xfc" "nde neue St" "\xe4" "dte "
     "dort, wo Wasser, Felder und Stra" "\xdf" "en zusammentreffen, denn eine Stadt ohne "
     "Stra" "\xdf" "e verk" "\xfc" "mmert und eine Stadt ohne Felder hungert. Gib jeder "
     "Stadt einen Namen, den man sich merkt."},
    {14,
     "The Sovereigns' Guide, chapter 3: The Treasury\n"
     "\n"
     "Taxes fill the treasury, but a squeezed town pays less each year. Keep your people "
     "content and they will pay more in the long run. Always keep enough gold in reserve "
     "for one bad harvest.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 3: Die Schatzkammer\n"
     "\n"
     "Steuern f" "\xfc" "llen die Schatzkammer, doch eine ausgepresste Stadt zahlt jedes "
     "Jahr weniger. Halte dein Volk zufrieden, und es wird auf lange Sicht mehr zahlen. "
     "Behalte stets genug Gold f" "\xfc" "r eine schlechte Ernte zur" "\xfc" "ck."},
    {15,
     "The Sovereigns' Guide, chapter 4: Food and Harvest\n"
     "\n"
     "A winter without bread costs more lives than any war. Build granaries before you "
     "build walls, and fill them in good years. A ruler who feeds his towns never lacks "
     "loyal subjects.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 4: Nahrung und Ernte\n"
     "\n"
     "Ein Winter ohne Brot kostet mehr Leben als jeder Krieg. Baue Kornspeicher, bevor du "
     "Mauern baust, und f" "\xfc" "lle sie in guten Jahren. Einem Herrscher, der seine "
     "St" "\xe4" "dte ern" "\xe4" "hrt, fehlt es nie an treuen Untertanen."},
    {16,
     "The Sovereigns' Guide, chapter 5: Builders and Buildings\n"
     "\n"
     "Every building needs workers, wood and stone, and each one costs upkeep once it "
     "stands. Build in a sensible order: first what feeds, then what earns, then what "
     "protects. A half-finished workshop earns nothing.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 5: Baumeister und Geb" "\xe4" "ude\n"
     "\n"
     "Jedes Geb" "\xe4" "ude braucht Arbeiter, Holz und Stein, und jedes kostet "
     "Unterhalt, sobald es steht. Baue in sinnvoller Reihenfolge: zuerst, was "
     "ern" "\xe4" "hrt, dann, was einbringt, dann, was sch" "\xfc" "tzt. Eine halb "
     "fertige Werkstatt bringt nichts ein."},
    {17,
     "The Sovereigns' Guide, chapter 6: Trade\n"
     "\n"
     "Markets turn what you have too much of into what you lack. Trade with your "
     "neighbours even when you do not love them; a neighbour who profits from your roads "
     "will think twice before closing them. Keep the roads safe and the merchants will "
     "come.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 6: Handel\n"
     "\n"
     "M" "\xe4" "rkte verwandeln, wovon du zu viel hast, in das, was dir fehlt. Handle "
     "mit deinen Nachbarn, auch wenn du sie nicht liebst; ein Nachbar, der an deinen "
     "Stra" "\xdf" "en verdient, " "\xfc" "berlegt es sich zweimal, bevor er sie sperrt. "
     "Halte die Stra" "\xdf" "en sicher, und die H" "\xe4" "ndler werden kommen."},
    {18,
     "The Sovereigns' Guide, chapter 7: Soldiers\n"
     "\n"
     "An army must be paid every month, in peace as in war. Keep as many soldiers as your "
     "borders need and no more. Remember Harn: the town that burns its neighbour's grain "
     "will go hungry itself.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 7: Soldaten\n"
     "\n"
     "Ein Heer will jeden Monat bezahlt werden, im Frieden wie im Krieg. Halte so viele "
     "Soldaten, wie deine Grenzen brauchen, und nicht mehr. Denk an Harn: Die Stadt, die "
     "das Korn ihres Nachbarn verbrennt, wird selbst hungern."},
    {19,
     "The Sovereigns' Guide, chapter 8: Diplomacy\n"
     "\n"
     "Write to your neighbours before you need them. Treaties of trade, of passage and of "
     "peace are sealed by letter, and a broken word is remembered longer than a lost "
     "battle. Answer every letter, even with a refusal.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 8: Diplomatie\n"
     "\n"
     "Schreibe deinen Nachbarn, bevor du sie brauchst. Vertr" "\xe4" "ge " "\xfc" "ber "
     "Handel, Durchzug und Frieden werden per Brief besiegelt, und ein gebrochenes Wort "
     "bleibt l" "\xe4" "nger im Ged" "\xe4" "chtnis als eine verlorene Schlacht. "
     "Beantworte jeden Brief, und sei es mit einer Absage."},
    {20,
     "The Sovereigns' Guide, chapter 9: The Tavern\n"
     "\n"
     "The tavern hears what the court never will. Listen there for news of distant "
     "realms, rumours of war and prices in other markets. Messengers and spies are hired "
     "there too, for a fair price.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 9: Die Taverne\n"
     "\n"
     "Die Taverne h" "\xf6" "rt, was der Hof niemals h" "\xf6" "rt. Lausche dort auf "
     "Nachrichten aus fernen Reichen, Ger" "\xfc" "chte " "\xfc" "ber Krieg und die "
     "Preise auf anderen M" "\xe4" "rkten. Auch Boten und Sp" "\xe4" "her werden dort "
     "angeworben, f" "\xfc" "r einen gerechten Preis."},
    {21,
     "The Sovereigns' Guide, chapter 10: Seasons and Turns\n"
     "\n"
     "Kadun moves in turns. Give your orders, send your letters and then let the season "
     "pass; all realms move together when the turn ends. Orders that arrive late wait for "
     "the next turn.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 10: Jahreszeiten und Z" "\xfc" "ge\n"
     "\n"
     "Kadun bewegt sich in Z" "\xfc" "gen. Erteile deine Befehle, verschicke deine Briefe "
     "und lass dann die Jahreszeit vergehen; alle Reiche ziehen gemeinsam, wenn der Zug "
     "endet. Befehle, die zu sp" "\xe4" "t eintreffen, warten auf den n" "\xe4" "chsten "
     "Zug."},
    {22,
     "The Sovereigns' Guide, chapter 11: Leaving the Residence\n"
     "\n"
     "When you leave your residence, your realm is kept exactly as you left it. Your "
     "towns go on with the orders you gave them until you return. Rule well, sovereign: "
     "the seals of Dodur Odid are waiting.\n"
     "\n"
     "Der Leitfaden der Herrscher, Kapitel 11: Der Abschied von der Residenz\n"
     "\n"
     "Wenn du deine Residenz verl" "\xe4" "sst, bleibt dein Reich genau so erhalten, wie "
     "du es verlassen hast. Deine St" "\xe4" "dte folgen den Befehlen, die du ihnen "
     "gegeben hast, bis du zur" "\xfc" "ckkehrst. Herrsche gut, Herrscher: Die Siegel des "
     "Dodur Odid warten."},
};

const StoryEntry** DodurOdidIndex = nullptr;

void MakeDodurOdidTab() {
  if (DodurOdidIndex) return;
  auto* index = static_cast<const StoryEntry**>(
      AllocVec(kStoryCount * sizeof(const StoryEntry*), MEMF_PUBLIC | MEMF_CLEAR));
  if (!index) {
    std::printf("MakeDodurOdidTab : Konnte Tabelle f" "\xfc" "r DodurOdid nicht allokieren...\n");
    return;
  }
  for (uint16_t i = 0; i < kStoryCount; ++i) {
    // The entry numbered i, found by stepping through the table.
    for (const StoryEntry& entry : StoryTable) {
      if (entry.number == i) {
        index[i] = &entry;
        break;
      }
    }
  }
  DodurOdidIndex = index;
}

void FreeDodurOdidTab() {
  if (!DodurOdidIndex) return;
  FreeVec(DodurOdidIndex);
  DodurOdidIndex = nullptr;
}

}  // namespace vsk
