// Starts the page: the worker first (its WebAssembly loads meanwhile), then the binding
// on this thread, the board it lays out, the controls, and a #p= link's puzzle. The
// suite waits for body[data-ready].
import { say } from './page.js';
import { loadBinding } from './binding.js';
import { startWorker } from './worker-client.js';
import { buildBoard, draw } from './board-view.js';
import { openFromUrl } from './puzzles.js';
import { wire } from './input.js';

startWorker();
await loadBinding();
buildBoard();
wire();
draw();
if (!openFromUrl()) {
    say('Press n for a new puzzle, or paste one.');
}
document.body.dataset.ready = 'true';
