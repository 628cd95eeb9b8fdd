#pragma once

#include <initializer_list>
#include <type_traits>
#include <utility>

#include <QAbstractButton>
#include <QAction>

namespace hm {

// Connects each button's click, or each menu item's trigger, to its handler on `receiver`.
template <class Receiver>
void connectClicks(
    Receiver* receiver,
    std::initializer_list<std::pair<QObject*, void (std::type_identity_t<Receiver>::*)()>>
        commands) {
  for (auto [sender, handler] : commands) {
    if (auto* button = qobject_cast<QAbstractButton*>(sender)) {
      QObject::connect(button, &QAbstractButton::clicked, receiver, handler);
    } else {
      QObject::connect(qobject_cast<QAction*>(sender), &QAction::triggered, receiver, handler);
    }
  }
}

}  // namespace hm
