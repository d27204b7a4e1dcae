#include "pattern/CardWindows.h"

#include "pattern/Caption.h"
#include "pattern/Display.h"
#include "pattern/DrawnCards.h"
#include "station/Station.h"

namespace kalvora {

namespace {

// The test card, in its window or drawn for another canvas.
template <class TestCard> void followTestCard(TestCard& view, const Station& station) {
    view.Label1->setCaption(station.text(1));
    view.Label2->setCaption(station.secondLine());
    if (!station.timeText().isEmpty()) {
        view.Label3->setCaption(station.timeText());
        view.Label4->setCaption(station.dateText());
    }
    QObject::connect(&station, &Station::textChanged, &view,
                     [&view](int field, const QString& text) {
                         if (field == 1)
                             view.Label1->setCaption(text);
                     });
    QObject::connect(&station, &Station::secondLineChanged, view.Label2, &Caption::setCaption);
    QObject::connect(&station, &Station::timeChanged, &view,
                     [&view](const QString& time, const QString& date) {
                         view.Label3->setCaption(time);
                         view.Label4->setCaption(date);
                     });
}

// Captions that show station fields as they are, and as they change.
void followFields(QObject& view, const Station& station,
                  const QList<std::pair<int, Caption*>>& captions) {
    for (const auto& [field, caption] : captions)
        caption->setCaption(station.text(field));
    QObject::connect(&station, &Station::textChanged, &view,
                     [captions](int changed, const QString& text) {
                         for (const auto& [field, caption] : captions)
                             if (field == changed)
                                 caption->setCaption(text);
                     });
}

// The colour bars, likewise.
template <class ColourBars> void followColourBars(ColourBars& view, const Station& station) {
    followFields(view, station, {{3, view.Label1}, {4, view.Label2}});
}

} // namespace

std::unique_ptr<PatternWindow> makeCardWindow(const QString& card, const Station& station) {
    if (card == Cards::TestCard) {
        auto window = std::make_unique<Display>();
        followTestCard(*window, station);
        return window;
    }
    if (card == Cards::ColourBars) {
        auto window = std::make_unique<display2>();
        followColourBars(*window, station);
        return window;
    }
    return nullptr;
}

namespace {

void followContest(DrawnContestCard& view, const Station& station) {
    const auto showContest = [&view, &station] {
        view.Number->setCaption(DrawnContestCard::numberText(station.contestNumber()));
        view.Band->setCaption(station.contestBand());
    };
    followFields(view, station, {{1, view.Label1}, {5, view.Locator}});
    showContest();
    QObject::connect(&station, &Station::contestChanged, &view, showContest);
}

void followIdent(DrawnIdentCard& view, const Station& station) {
    followFields(view, station, {{1, view.Label1}, {5, view.Locator}});
}

void followPicture(DrawnPictureCard& view, const QString& name, const Station& station) {
    const auto showClock = [&view, &station, name] {
        const bool shown = station.showsClock(name);
        view.Label3->setCaption(shown ? station.timeText() : QString());
        view.Label4->setCaption(shown ? station.dateText() : QString());
    };
    followFields(view, station, {{1, view.Label1}});
    showClock();
    QObject::connect(&station, &Station::timeChanged, &view, showClock);
    QObject::connect(&station, &Station::clockShownChanged, &view,
                     [showClock, name](const QString& picture) {
                         if (picture == name)
                             showClock();
                     });
}

} // namespace

CardPicture makeCardPicture(const Card& card, const Canvas& canvas, const Station& station) {
    CardPicture picture;
    const auto take = [&picture](auto drawn) {
        picture.frames = &drawn->frames();
        picture.owner = std::move(drawn);
    };
    switch (card.kind) {
    case Card::Kind::TestCard:
    case Card::Kind::ColourBars:
        if (canvas.isDesign()) {
            std::unique_ptr<PatternWindow> window = makeCardWindow(card.name, station);
            picture.frames = &window->frames();
            if (auto* testCard = qobject_cast<Display*>(window.get()))
                picture.tickerStrip = testCard->Picture1;
            picture.owner = std::move(window);
        } else if (card.kind == Card::Kind::TestCard) {
            auto drawn = std::make_unique<DrawnTestCard>(canvas);
            followTestCard(*drawn, station);
            picture.tickerStrip = drawn->Picture1;
            take(std::move(drawn));
        } else {
            auto drawn = std::make_unique<DrawnColourBars>(canvas);
            followColourBars(*drawn, station);
            take(std::move(drawn));
        }
        break;
    case Card::Kind::Contest: {
        auto drawn = std::make_unique<DrawnContestCard>(canvas);
        followContest(*drawn, station);
        take(std::move(drawn));
        break;
    }
    case Card::Kind::Ident: {
        auto drawn = std::make_unique<DrawnIdentCard>(canvas);
        followIdent(*drawn, station);
        take(std::move(drawn));
        break;
    }
    case Card::Kind::Picture: {
        auto drawn = std::make_unique<DrawnPictureCard>(canvas, card.picture);
        followPicture(*drawn, card.name, station);
        take(std::move(drawn));
        break;
    }
    }
    return picture;
}

} // namespace kalvora
