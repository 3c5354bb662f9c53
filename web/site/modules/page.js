// The page's elements by id, and the status line through which every part of the page
// tells the player what happened.

export const $ = (id) => document.getElementById(id);

export function say(text) {
    $('status').textContent = text;
}
