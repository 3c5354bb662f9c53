// The worker that runs the long library calls (generating, explaining, rating, solving,
// hints) off the page's thread: its pending jobs, the busy line with its progress text,
// and Cancel, which replaces the worker and fails the jobs it had.
import { $, say } from './page.js';

let worker = null;
let nextId = 1;
const pending = new Map();
let longRun = false; // a run of long calls (a booklet) keeps the busy line up between them

// The worker of the moment under a global name, for the console (and the browser suite,
// which posts it a call that fails).
Object.defineProperty(globalThis, 'worker', { get: () => worker, configurable: true });

export function startWorker() {
    worker = new Worker('worker.js');
    worker.onmessage = (event) => {
        const { id, result, progress, error } = event.data;
        if (error !== undefined) {
            restartWorker(`The worker stopped (${error}); it was restarted.`);
            return;
        }
        const job = pending.get(id);
        if (!job) {
            return;
        }
        if (progress !== undefined) {
            job.onProgress?.(progress);
            return;
        }
        pending.delete(id);
        job.resolve(JSON.parse(result));
    };
    worker.onerror = (event) => {
        event.preventDefault();
        restartWorker(`The worker stopped (${event.message || 'aborted'}); it was restarted.`);
    };
}

// Ends the worker and every job it had (their callers get null), starts a new one, and
// says `message`: Cancel, or a worker that failed.
export function restartWorker(message) {
    worker.terminate();
    for (const job of pending.values()) {
        job.reject(new Error(message));
    }
    pending.clear();
    startWorker();
    setBusy(false);
    say(message);
}

// Runs fn(...args) in the worker; the promise gives the parsed JSON answer.
function work(fn, args, onProgress) {
    return new Promise((resolve, reject) => {
        const id = nextId++;
        pending.set(id, { resolve, reject, onProgress });
        worker.postMessage({ id, fn, args });
    });
}

function setBusy(busy, text = '') {
    $('busy').hidden = !busy;
    $('progress-text').textContent = text;
    if (busy) {
        $('progress').removeAttribute('value');
    }
}

// Replaces the busy line's text: a long call's progress.
export function showProgress(text) {
    $('progress-text').textContent = text;
}

// A long call with the busy line and its cancel button; null when cancelled or failed,
// and when `wanted()` says that the answer came too late (another puzzle was loaded
// meanwhile).
export async function longWork(label, fn, args, { onProgress, wanted = () => true } = {}) {
    setBusy(true, label);
    try {
        const answer = await work(fn, args, onProgress);
        return wanted() ? answer : null;
    } catch (error) {
        return null;
    } finally {
        if (pending.size === 0 && !longRun) {
            setBusy(false);
        }
    }
}

// Runs `body`, an async run of long calls, as one busy span: Cancel stays there between
// its calls. Its answer is body's.
export async function oneBusySpan(body) {
    longRun = true;
    try {
        return await body();
    } finally {
        longRun = false;
        if (pending.size === 0) {
            setBusy(false);
        }
    }
}
