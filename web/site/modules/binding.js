// The binding on the page's thread, for the quick calls (a position's clashes and
// candidates, placing a digit, checking, reading pasted text, a booklet's seeds), and the
// board's layout as the binding gives it. createSudoku comes from sudoku.js, a classic
// script that the page loads before its modules.

let sudoku = null;

// The layout, once the binding is loaded: rows[r] the cells of the board's row r from left
// to right, at[cell] the cell's [row, column] on the board, places[cell] its place in
// words as a screen reader says it.
export const grid = { rows: [], at: [], places: [] };

export async function loadBinding() {
    sudoku = await createSudoku();
    const { rows, places } = ask('grid');
    grid.rows = rows;
    grid.places = places;
    rows.forEach((cells, row) => cells.forEach((cell, column) => (grid.at[cell] = [row, column])));
}

// The binding's answer to fn(...args), parsed.
export function ask(fn, ...args) {
    return JSON.parse(sudoku[fn](...args));
}

// A position as the binding writes it (81 characters, '.' for empty) as numbers, 0 for empty.
export const valuesOf = (text) => [...text].map((c) => (c === '.' ? 0 : Number(c)));

// The digits of a mark as the binding sends it (bit d-1 for digit d), rising.
export const digitsOf = (mask) => [1, 2, 3, 4, 5, 6, 7, 8, 9].filter((d) => (mask >> (d - 1)) & 1);
