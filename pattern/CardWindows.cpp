#include "pattern/CardWindows.h"

#include "pattern/Caption.h"
#include "pattern/Display.h"
#include "station/Station.h"

namespace kalvora {

namespace {

void followStation(Display& view, const Station& station) {
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

void followStation(display2& view, const Station& station) {
    const auto showText = [&view](int field, const QString& text) {
        if (field == 3)
            view.Label1->setCaption(text);
        else if (field == 4)
            view.Label2->setCaption(text);
    };
    showText(3, station.text(3));
    showText(4, station.text(4));
    QObject::connect(&station, &Station::textChanged, &view, showText);
}

} // namespace

std::unique_ptr<PatternWindow> makeCardWindow(const QString& card, const Station& station) {
    if (card == Cards::TestCard) {
        auto window = std::make_unique<Display>();
        followStation(*window, station);
        return window;
    }
    if (card == Cards::ColourBars) {
        auto window = std::make_unique<display2>();
        followStation(*window, station);
        return window;
    }
    return nullptr;
}

} // namespace kalvora
