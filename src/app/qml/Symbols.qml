pragma Singleton
import QtQuick

// Every SF Symbols name the window uses, mapped to its nearest Phosphor glyph. Names ending in
// ".fill" map to Phosphor's filled glyphs; the others take the weight they are drawn at.
QtObject {
    readonly property var glyphs: ({
        // Sidebar and frame
        "square.grid.2x2": "squares-four",
        "square.grid.2x2.fill": "squares-four-fill",
        "clock.arrow.circlepath": "clock-counter-clockwise",
        "cable.connector": "plug",
        "text.alignleft": "text-align-left",
        "questionmark.circle": "question",
        // Status bar
        "exclamationmark.circle": "warning-circle",
        "info.circle": "info",
        // Phone preview
        "wifi": "wifi-high",
        "battery.100percent": "battery-full-fill",
        "chevron.left": "caret-left",
        "chevron.right": "caret-right",
        // Sections
        "magnifyingglass": "magnifying-glass",
        "iphone.gen3": "device-mobile-speaker",
        "iphone": "device-mobile",
        "checkmark.circle.fill": "check-circle-fill",
        "flask": "flask",
        // Pickers
        "chevron.up.chevron.down": "caret-up-down",
        "checkmark": "check",
        // Categories
        "checklist": "list-checks",
        "bubble.left.and.bubble.right.fill": "chats-circle-fill",
        "play.fill": "play-fill",
        "gamecontroller.fill": "game-controller-fill",
        "creditcard.fill": "credit-card-fill",
        "bag.fill": "bag-fill",
        "airplane": "airplane",
        "heart.fill": "heart-fill",
        "paintbrush.pointed.fill": "paint-brush-fill",
        "gearshape.fill": "gear-six-fill",
        "globe": "globe"
    })

    // SF weights to Phosphor's file suffixes.
    readonly property var weights: ({
        "ultraLight": "-thin",
        "light": "-light",
        "regular": "",
        "medium": "",
        "semibold": "-bold",
        "bold": "-bold"
    })

    readonly property var categorySymbols: ({
        "Productivity": "checklist",
        "Social": "bubble.left.and.bubble.right.fill",
        "Entertainment": "play.fill",
        "Games": "gamecontroller.fill",
        "Money": "creditcard.fill",
        "Shopping": "bag.fill",
        "Travel": "airplane",
        "Health": "heart.fill",
        "Creativity": "paintbrush.pointed.fill",
        "Utilities": "gearshape.fill",
        "Websites": "globe",
        "Other": "square.grid.2x2.fill"
    })

    readonly property var sectionSymbols: ({
        "Organize": "square.grid.2x2",
        "Saved layouts": "clock.arrow.circlepath",
        "Connection": "cable.connector",
        "Activity": "text.alignleft"
    })

    function path(name, weight) {
        const glyph = glyphs[name]
        if (glyph === undefined) {
            console.warn("No glyph for the symbol", name)
            return ""
        }
        const suffix = glyph.endsWith("-fill") ? "" : (weights[weight] ?? "")
        return ":/varnolet/icons/" + glyph + suffix + ".svg"
    }
}
