/*
 * Kestrune example skin: a cool teal look.
 *
 * The program applies a skin when a file named o.cjs sits in the folder "x"
 * beside the executable; copy this file there to use it. A skin is a Qt style
 * sheet for the main window. While a skin is present the window's own surface
 * takes the system's button-face colour.
 */

QPushButton {
    color: #0b3d4a;
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #fbfdfd, stop: 1 #d3e3e7);
    border: 1px solid #7b9aa5;
    border-radius: 4px;
    padding: 2px 6px;
}

QPushButton:hover {
    background-color: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 #ffffff, stop: 1 #dcf0ee);
    border-color: #1b9a8c;
}

QPushButton:pressed {
    background-color: #bcd6dc;
    padding-top: 3px;
}

QPushButton:focus {
    border: 2px solid #1b9a8c;
}

ListView {
    border: 1px solid #7b9aa5;
    border-radius: 2px;
}

QHeaderView::section {
    color: #0b3d4a;
    background-color: #e4eef0;
    border: none;
    border-right: 1px solid #b7cacf;
    border-bottom: 1px solid #b7cacf;
    padding: 2px 4px;
}

QToolTip {
    color: #0b3d4a;
    background-color: #fffdf2;
    border: 1px solid #7b9aa5;
}
